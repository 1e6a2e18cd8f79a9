/* Asks a window to close the way a window manager does when the user clicks
 * its close button: a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
 *
 * usage: zelvix_close_window WINDOW-ID   (decimal, or hexadecimal with 0x)
 *
 * Exit status: 0 when the message was delivered, 1 on a bad argument or X
 * error, 2 when the window does not take part in WM_DELETE_WINDOW (a window
 * manager would then have to kill the client instead). */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>

static int xErrorSeen = 0;

static int onXError(Display* display, XErrorEvent* event) {
    char text[256];
    XGetErrorText(display, event->error_code, text, sizeof text);
    fprintf(stderr, "close_window: X error: %s (request %d)\n", text, event->request_code);
    xErrorSeen = 1;
    return 0;
}

static int supportsDelete(Display* display, Window window, Atom deleteAtom) {
    Atom* protocols = NULL;
    int count = 0;
    int found = 0;
    if (XGetWMProtocols(display, window, &protocols, &count) != 0) {
        for (int i = 0; i < count; ++i) {
            if (protocols[i] == deleteAtom) {
                found = 1;
            }
        }
        XFree(protocols);
    }
    return found;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        return 1;
    }
    char* end = NULL;
    errno = 0;
    const unsigned long id = strtoul(argv[1], &end, 0);
    if (errno != 0 || end == argv[1] || *end != '\0' || id == 0) {
        fprintf(stderr, "close_window: not a window id: %s\n", argv[1]);
        return 1;
    }

    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "close_window: cannot open display '%s'\n", XDisplayName(NULL));
        return 1;
    }
    XSetErrorHandler(onXError);

    const Window window = (Window)id;
    const Atom protocolsAtom = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    const int supported = supportsDelete(display, window, deleteAtom);
    XSync(display, False);
    if (xErrorSeen) {
        XCloseDisplay(display);
        return 1;
    }
    if (!supported) {
        fprintf(stderr,
                "close_window: window 0x%lx does not list WM_DELETE_WINDOW in WM_PROTOCOLS\n", id);
        XCloseDisplay(display);
        return 2;
    }

    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocolsAtom;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)deleteAtom;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    const int status = xErrorSeen ? 1 : 0;
    XCloseDisplay(display);
    return status;
}
