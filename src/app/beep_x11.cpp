// The desktop's own bell on the game window's display: an asynchronous X
// request, so it never blocks, and where no bell can sound it is simply lost.
#include "game/effects.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

void beep() {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr) {
        return;
    }
    XBell(display, 0);
    XFlush(display);
}
