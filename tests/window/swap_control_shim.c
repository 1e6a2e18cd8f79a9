/* Stands in for a GL driver that offers swap control. Loaded with LD_PRELOAD
 * into the game, it adds the GLX extensions named in ZELVIX_FAKE_GLX_EXTENSIONS
 * to the server's list, hands out recording versions of glXSwapIntervalEXT and
 * glXSwapIntervalMESA, and appends to the file named in ZELVIX_SWAP_LOG one
 * line per event: "server <the server's own list>" at each query, and
 * "<function> <interval>" at each call of a swap-interval function, and
 * "glutTimerFunc <ms>" at each timer the game arms. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void record(const char* what, const char* detail) {
    const char* path = getenv("ZELVIX_SWAP_LOG");
    FILE* log = path != NULL ? fopen(path, "a") : NULL;
    if (log != NULL) {
        fprintf(log, "%s %s\n", what, detail);
        fclose(log);
    }
}

static void recordInterval(const char* function, long interval) {
    char text[32];
    snprintf(text, sizeof text, "%ld", interval);
    record(function, text);
}

static void fakeSwapIntervalEXT(Display* display, GLXDrawable drawable, int interval) {
    (void)display;
    (void)drawable;
    recordInterval("glXSwapIntervalEXT", interval);
}

static int fakeSwapIntervalMESA(unsigned int interval) {
    recordInterval("glXSwapIntervalMESA", (long)interval);
    return 0;
}

typedef const char* (*QueryExtensions)(Display*, int);
typedef __GLXextFuncPtr (*GetProcAddress)(const GLubyte*);

const char* glXQueryExtensionsString(Display* display, int screen) {
    static char list[16384];
    QueryExtensions real;
    *(void**)&real = dlsym(RTLD_NEXT, "glXQueryExtensionsString");
    const char* server = real != NULL ? real(display, screen) : NULL;
    const char* extra = getenv("ZELVIX_FAKE_GLX_EXTENSIONS");
    record("server", server != NULL ? server : "");
    snprintf(list, sizeof list, "%s %s", server != NULL ? server : "", extra != NULL ? extra : "");
    return list;
}

__GLXextFuncPtr glXGetProcAddressARB(const GLubyte* name) {
    if (strcmp((const char*)name, "glXSwapIntervalEXT") == 0) {
        return (__GLXextFuncPtr)fakeSwapIntervalEXT;
    }
    if (strcmp((const char*)name, "glXSwapIntervalMESA") == 0) {
        return (__GLXextFuncPtr)fakeSwapIntervalMESA;
    }
    GetProcAddress real;
    *(void**)&real = dlsym(RTLD_NEXT, "glXGetProcAddressARB");
    return real != NULL ? real(name) : NULL;
}

void glutTimerFunc(unsigned int ms, void (*callback)(int), int value) {
    void (*real)(unsigned int, void (*)(int), int);
    *(void**)&real = dlsym(RTLD_NEXT, "glutTimerFunc");
    recordInterval("glutTimerFunc", ms);
    real(ms, callback, value);
}
