// The game window's class and icon under X, there before the window manager
// first sees the window. GLUT offers no call for either, and glutCreateWindow
// maps the window and waits until it shows before it returns, so main() is
// too late. The one moment between creating and mapping is GLUT's own
// XSetWMProperties call, which names the window but passes no class hint:
// this program defines that function, the dynamic linker binds GLUT's call to
// it, and it adds the class and icon before handing on to Xlib's.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <dlfcn.h>

#include <iterator>

// WM_CLASS: instance and class name, as the menu entry's StartupWMClass says.
static char instanceName[] = "zelvix";
static char className[] = "Zelvix";

// _NET_WM_ICON: per size, width, height and ARGB pixels, from data/icons.
static const unsigned long windowIcon[] = {
#include "window_icon.inc"
};

using SetWMProperties = void (*)(Display*, Window, XTextProperty*, XTextProperty*, char**, int,
                                 XSizeHints*, XWMHints*, XClassHint*);

// Called by GLUT while it creates the window, before it maps it.
void XSetWMProperties(Display* display, Window window, XTextProperty* windowName,
                      XTextProperty* iconName, char** argv, int argc, XSizeHints* normalHints,
                      XWMHints* wmHints, XClassHint* /*classHints*/) {
    XClassHint identity{instanceName, className};
    static const auto xlib =
        reinterpret_cast<SetWMProperties>(dlsym(RTLD_NEXT, "XSetWMProperties"));
    xlib(display, window, windowName, iconName, argv, argc, normalHints, wmHints, &identity);
    const Atom iconAtom = XInternAtom(display, "_NET_WM_ICON", False);
    XChangeProperty(display, window, iconAtom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(windowIcon),
                    static_cast<int>(std::size(windowIcon)));
}
