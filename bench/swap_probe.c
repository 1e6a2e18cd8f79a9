/*
 * Frame probe, loaded with LD_PRELOAD into an unmodified GLUT program.
 *
 * Wraps glutSwapBuffers: every call appends one line to the file named by the
 * environment variable SWAP_PROBE_LOG,
 *
 *     <before> <after>\n
 *
 * the CLOCK_MONOTONIC times in nanoseconds just before and just after the real
 * swap. One write(2) per frame, straight to the file (no buffering in the
 * process), so the record is complete however the process ends, and a reader
 * can follow it while the program runs. Without SWAP_PROBE_LOG, or if the file
 * cannot be opened, the probe only passes the call on.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef void (*SwapFunction)(void);

static SwapFunction realSwap;
static int logFd = -1;

static long long nowNs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

__attribute__((constructor)) static void openLog(void) {
    const char* path = getenv("SWAP_PROBE_LOG");
    if (path != NULL && *path != '\0') {
        logFd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
        if (logFd < 0) {
            fprintf(stderr, "swap_probe: cannot open %s\n", path);
        }
    }
    /* Keep the probe out of any process this one starts. */
    unsetenv("LD_PRELOAD");
}

__attribute__((destructor)) static void closeLog(void) {
    if (logFd >= 0) {
        close(logFd);
        logFd = -1;
    }
}

void glutSwapBuffers(void) {
    const long long before = nowNs();
    if (realSwap == NULL) {
        /* dlsym hands back an object pointer; copy it into the function
           pointer rather than cast, which ISO C does not allow. */
        void* symbol = dlsym(RTLD_NEXT, "glutSwapBuffers");
        if (symbol != NULL) {
            memcpy(&realSwap, &symbol, sizeof realSwap);
        }
        if (realSwap == NULL) {
            fprintf(stderr, "swap_probe: no glutSwapBuffers to wrap\n");
            abort();
        }
    }
    realSwap();
    const long long after = nowNs();
    if (logFd >= 0) {
        char line[64];
        const int length = snprintf(line, sizeof line, "%lld %lld\n", before, after);
        if (length > 0 && write(logFd, line, (size_t)length) != length) {
            /* A full disk must not stop the program under test; stop logging. */
            close(logFd);
            logFd = -1;
        }
    }
}
