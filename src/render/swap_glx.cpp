// Swap control through GLX: the EXT call where offered, else the MESA one.
#include "render/view.h"

#include "render/extensions.h"

#include <GL/glx.h>

void disableSwapWait() {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (display == nullptr || drawable == 0) {
        return;
    }
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
        auto* setInterval = reinterpret_cast<SwapIntervalExt>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (setInterval != nullptr) {
            setInterval(display, drawable, 0);
            return;
        }
    }
    if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        using SwapIntervalMesa = int (*)(unsigned int);
        auto* setInterval = reinterpret_cast<SwapIntervalMesa>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (setInterval != nullptr) {
            setInterval(0);
        }
    }
}
