#include "picture/reading.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

// The scanner the header names, or null.
const char* scanner(const DPX_HEADER* h)
{
    // Both fields are fixed-size and need not end in a NUL: compared by prefix.
    if (strncmp(h->file_information.creator, "Lasergraphics Inc.", 18) == 0)
        return "Lasergraphics ScanStation";
    if (strncmp(h->image_source_information.input_device_name, "Scanity", 7) == 0)
        return "DFT Scanity";
    return nullptr;
}

} // namespace

uint64_t reading_unpadded_bytes(uint64_t samples)
{
    return (samples + 2) / 3 * 4;
}

void reading_choose(const DPX_HEADER* header, DECODE_LAYOUT* l, uint64_t data_size)
{
    l->unpadded = false;
    l->reading_choice = false;
    l->reading[0] = '\0';
    if (l->descriptor != 6 || l->bit_depth != 10 || (l->packing != 1 && l->packing != 2))
        return;
    const uint64_t unpadded = reading_unpadded_bytes(l->line_samples * l->height);
    const uint64_t padded = l->line_stride * l->height;
    if (unpadded == padded)
        return;
    const char* name = scanner(header);
    if (name && data_size >= unpadded) {
        snprintf(l->reading, sizeof l->reading, "lines not padded to 32-bit words, as %s writes them", name);
    } else if (name) {
        snprintf(l->reading, sizeof l->reading,
                 "lines padded to 32-bit words, as the standard says: the data holds %" PRIu64
                 " bytes, too few for %s's unpadded lines (%" PRIu64 ")",
                 data_size, name, unpadded);
        return;
    } else if (data_size >= unpadded && data_size < padded) {
        snprintf(l->reading, sizeof l->reading,
                 "lines not padded to 32-bit words: the data holds %" PRIu64 " bytes, enough for them (%" PRIu64
                 ") but not for padded lines (%" PRIu64 ")",
                 data_size, unpadded, padded);
    } else {
        return;
    }
    l->unpadded = true;
    l->reading_choice = true;
}
