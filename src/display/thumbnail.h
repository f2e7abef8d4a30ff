// Preview texture slots, addressed by a file's workset index (0 to 99).
// Resolved at link time: the inspector calls these without linking
// tessa_display; the program links the real ones, the headless tests a
// stand-in (tests/support/headless_gui.cpp).
#pragma once

#include <epoxy/gl.h>

#include "dpx/dpx_header.h"
#include "pixconv/pixconv_read.h"

enum { THUMBNAIL_SLOT_COUNT = 100, THUMBNAIL_REFUSAL_SIZE = 256 };

// Indexes outside 0..99 touch no slot: create returns 0, fetch yields 0, 0, null.
bool ImGui_ImplGlfwGL3_InitThumbnailTexture(int index);
// Texture 0, and no pixels in the slot, when the picture converts nothing
// (a side over the conversion limit, a zero side, no memory, or the memory
// budget would be passed). With `read`, the image bytes come through it a
// band at a time, not from header->image_data; a failed read shows as
// missing bytes, which the caller, knowing, discards.
GLuint ImGui_ImplGlfwGL3_CreateThumbnailTexture(int index, DPX_HEADER* header, pixconv_read_func read = nullptr,
                                                void* user = nullptr);
// Waits for the thread the last preview was converted on; at shutdown.
void ImGui_ImplGlfwGL3_EndThumbnailReads();
GLuint ImGui_ImplGlfwGL3_FetchThumbnailInfo(int index, int* width, int* height, unsigned char** pixels);
bool ImGui_ImplGlfwGL3_DisposeThumbnailTexture(int index);
// Why the slot's last create made no texture because of the memory budget,
// or null.
const char* ImGui_ImplGlfwGL3_ThumbnailRefusal(int index);
