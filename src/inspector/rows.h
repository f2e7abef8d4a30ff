// Rows of the inspector's two-column label/value tables.
#pragma once

#include <cstddef>
#include <cstdint>

enum { ROWS_SCRATCH_SIZE = 256 };

// Separator (when asked), the label, then the cursor in the value cell.
void rows_label(const char* label, bool separator = true);
// Back to the label cell of the next row.
void rows_end();

// Guarded rows: "(Undefined)" when the field has all bits set.
void rows_u32(const char* label, uint32_t value);
void rows_hex32(const char* label, uint32_t value);
void rows_u16(const char* label, uint16_t value);
void rows_u8(const char* label, uint8_t value);
void rows_f32(const char* label, float value);
// Guarded rows that show a value with its meaning: "%u '%s'".
void rows_code(const char* label, uint32_t value, bool undefined, const char* text);
// A fixed-length text field and its hex dump row.
void rows_text(const char* label, const char* field, int size);

bool rows_float_undefined(float value);

void rows_columns_begin();
void rows_columns_end();
