/* Prints "bell" on a line of its own for every bell rung on the X display,
 * after a first line "ready" once it listens, until it is killed. The game's
 * beep reaches the X server as such a bell, from Xlib natively and from
 * MessageBeep under Wine.
 *
 * usage: zelvix_bell_count
 *
 * Exit status: 1 when the display or its keyboard extension is missing. */
#include <X11/XKBlib.h>

#include <stdio.h>

int main(void) {
    int eventBase = 0;
    int errorBase = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    int reason = 0;
    Display* display = XkbOpenDisplay(NULL, &eventBase, &errorBase, &major, &minor, &reason);
    if (display == NULL) {
        fprintf(stderr, "bell_count: cannot open the display with XKB (reason %d)\n", reason);
        return 1;
    }
    XkbSelectEvents(display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(display, False);
    puts("ready");
    fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == eventBase && ((XkbEvent*)&event)->any.xkb_type == XkbBellNotify) {
            puts("bell");
            fflush(stdout);
        }
    }
}
