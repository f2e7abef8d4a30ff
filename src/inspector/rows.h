// Rows of the inspector's two-column label and value tables, drawn from
// their description.
#pragma once

#include <vector>

#include "describe/describe.h"

// One row, and the dump row of a text field, from the label cell of a new
// row to the label cell of the next.
void rows_draw(const DESCRIBE_ROW& row);
void rows_draw_all(const std::vector<DESCRIBE_ROW>& rows);

void rows_columns_begin();
void rows_columns_end();
