// The header sections of the File window, each drawn as a two-column table.
#pragma once

#include "dpx/dpx_header.h"

// Opens the section's collapsing header (open on first show); false when closed.
bool sections_begin(const char* title);

void sections_file_information(const DPX_HEADER_FILE_INFORMATION* f, char* text);
void sections_image_information(const DPX_HEADER_IMAGE_INFORMATION* i, char* text);
void sections_image_source_information(const DPX_HEADER_IMAGE_SOURCE_INFORMATION* s);
void sections_motion_picture_film_information(const DPX_HEADER_MOTION_PICTURE_FILM_INFORMATION* m);
void sections_television_information(const DPX_HEADER_TELEVISION_INFORMATION* t, char* text);
