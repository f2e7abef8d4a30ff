// Hex dumps inside the File window's tables.
#pragma once

#include <cstdint>

// One table row with an empty label and `count` bytes, `per_line` a line.
void dump_ascii(const unsigned char* bytes, uint64_t count, uint64_t per_line);
// Offset and sixteen bytes a line, in the current value cell; the cursor
// ends at the cell's left edge below the dump. Only the lines in view are
// submitted, so a large area costs what fits on screen.
void user_defined_data_dump(const unsigned char* bytes, uint64_t count);
