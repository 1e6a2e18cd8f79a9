// Swap control through WGL: wglSwapIntervalEXT where the driver lists
// WGL_EXT_swap_control.
#include "render/view.h"

#include "render/extensions.h"

#include <windows.h>

// wglGetProcAddress hands back a generic PROC. Going through void (*)() first
// says the change of function type is meant.
template <typename Function> static Function procAddress(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(wglGetProcAddress(name)));
}

static const char* wglExtensions(HDC dc) {
    using GetArb = const char*(WINAPI*)(HDC);
    using GetExt = const char*(WINAPI*)();
    if (auto* get = procAddress<GetArb>("wglGetExtensionsStringARB")) {
        return get(dc);
    }
    if (auto* get = procAddress<GetExt>("wglGetExtensionsStringEXT")) {
        return get();
    }
    return nullptr;
}

void disableSwapWait() {
    HDC dc = wglGetCurrentDC();
    if (dc == nullptr || !hasExtension(wglExtensions(dc), "WGL_EXT_swap_control")) {
        return;
    }
    using SwapInterval = BOOL(WINAPI*)(int);
    if (auto* setInterval = procAddress<SwapInterval>("wglSwapIntervalEXT")) {
        setInterval(0);
    }
}
