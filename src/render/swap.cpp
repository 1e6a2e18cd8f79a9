#include "render/view.h"

#include <GL/glx.h>

#include <cstring>

static bool hasExtension(const char* list, const char* name) {
    const std::size_t length = std::strlen(name);
    for (const char* at = list; at != nullptr && *at != '\0';) {
        const char* end = std::strchr(at, ' ');
        const std::size_t word =
            end != nullptr ? static_cast<std::size_t>(end - at) : std::strlen(at);
        if (word == length && std::strncmp(at, name, length) == 0) {
            return true;
        }
        at = end != nullptr ? end + 1 : nullptr;
    }
    return false;
}

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
