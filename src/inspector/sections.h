// The header sections of the File window, each drawn as a two-column table,
// and the image element panels inside them.
#pragma once

#include "describe/describe.h"

// Opens the section's collapsing header (open on first show); false when closed.
bool sections_begin(const char* title);
// The section's table, and after it its element panels, under an open header.
void sections_draw(const DESCRIBE_SECTION& section);
// The collapsible panel of one image element.
void dpx_print_data_structure(const DESCRIBE_PANEL& panel);
