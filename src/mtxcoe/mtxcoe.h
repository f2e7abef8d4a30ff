// Named colour matrices. The preview converters take "SMPTE 274M", the
// Picture decoder that or "ITU-R601"; the others are kept for reference.
#pragma once

struct MTXCOE {
    char name[32];
    char description[64];
    int black_offset[4]; // for sample depths of 8, 10, 12 and 14 bits
    int code_min[4];
    int code_max[4];
    double from_gbr[9]; // row-major; columns take G, B, R
    double to_gbr[9];   // row-major; rows give G, B, R
};

enum { MTXCOE_COUNT = 7 };
extern const MTXCOE mtxcoelist[MTXCOE_COUNT];

// The matrices in use, handed to the converters by pointer.
extern const MTXCOE* const mtxcoe_smpte_274m;
extern const MTXCOE* const mtxcoe_itu_r601;
