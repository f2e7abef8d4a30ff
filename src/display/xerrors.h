// X errors that must not end the program. A drop's source or a selection
// owner may close its window before we answer it; Xlib's own handler would
// then exit on the BadWindow of our reply, losing everything open.
#pragma once

// Installs the handler, again each frame: the window toolkit puts Xlib's
// default back whenever it releases its own. Errors about a window that no
// longer exists get one line on standard error; others go to the default.
void xerrors_keep_going();
