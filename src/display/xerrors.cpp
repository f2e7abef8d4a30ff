#include "display/xerrors.h"

#include <cstdio>

#include <X11/Xlib.h>

namespace {

XErrorHandler g_DefaultHandler = nullptr;

int xerrors_handler(Display* display, XErrorEvent* error)
{
    if (error->error_code != BadWindow)
        return g_DefaultHandler ? g_DefaultHandler(display, error) : 0;
    char text[128];
    XGetErrorText(display, error->error_code, text, sizeof text);
    fprintf(stderr, "X error: %s (request %d) for window 0x%lx, which no longer exists; going on\n", text,
            (int)error->request_code, error->resourceid);
    return 0;
}

} // namespace

void xerrors_keep_going()
{
    XErrorHandler previous = XSetErrorHandler(xerrors_handler);
    if (previous != xerrors_handler && !g_DefaultHandler)
        g_DefaultHandler = previous;
}
