// The Picture window of one file: any image element decoded to its code
// values, shown the right way up or as stored, zoomed and panned, with the
// code values under the cursor.
#pragma once

#include "workset/workset.h"

// Draws the window while the file's picture_visible is set; once it is
// cleared (close button, menu item, File window closed) the picture's buffer
// and texture are freed.
void window_picture(work_t* work);
// Frees every picture, with the GL context still current.
void window_picture_shutdown();
