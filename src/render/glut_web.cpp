// GLUT as a web page has it: the window is the page's canvas, drawn through a
// WebGL context; a timer is the browser's setTimeout, a redisplay the next
// animation frame, and the special keys those the page's window is sent and
// those the page presses for its strokes and pads, all named in one table.
// Only the arrows and F1 are kept from the browser; every other key does
// what it does there. The main loop is the browser's own: glutMainLoop
// hands back to it.
#include "render/gl_web.h"

#include <GL/freeglut.h>

#include <emscripten/emscripten.h>
#include <emscripten/eventloop.h>

#include <iterator>

namespace {

int displayMode = 0;
void (*displayFunc)() = nullptr;
void (*reshapeFunc)(int, int) = nullptr;
void (*specialFunc)(int, int, int) = nullptr;
bool redisplayAsked = false;

using TimerFunc = void (*)(int);

// The keys the game is sent, by their names in the page (a KeyboardEvent's key).
struct NamedKey {
    const char* name;
    int code;
};
constexpr NamedKey namedKeys[] = {{"ArrowLeft", GLUT_KEY_LEFT},
                                  {"ArrowUp", GLUT_KEY_UP},
                                  {"ArrowRight", GLUT_KEY_RIGHT},
                                  {"ArrowDown", GLUT_KEY_DOWN},
                                  {"F1", GLUT_KEY_F1}};

// The bodies are JavaScript, which clang-format lays out differently from one
// version to the next.
// clang-format off
EM_JS(void, setCanvasSize, (int width, int height), {
    Module.canvas.width = width;
    Module.canvas.height = height;
});
EM_JS(int, canvasWidth, (), { return Module.canvas.width; });
EM_JS(int, canvasHeight, (), { return Module.canvas.height; });
EM_JS(bool, createContext, (bool depth, bool alpha, bool antialias), {
    Module.ctx = Module.canvas.getContext('webgl', {depth, alpha, antialias, stencil: false});
    return Module.ctx != null;
});
EM_JS(void, startTimer, (unsigned int msecs, TimerFunc func, int value), {
    setTimeout(function() { _glutTimerFired(func, value); }, msecs);
});
EM_JS(void, askAnimationFrame, (), { requestAnimationFrame(function() { _glutRedisplay(); }); });
// Names a key of the table above to the page, by its index there.
EM_JS(void, nameKey, (const char* name, int index), {
    Module.keyIndex = Module.keyIndex || new Map();
    Module.keyIndex.set(UTF8ToString(name), index);
});
// Module.pressKey(name) is the page's one way to the game's keys: the
// window's keys come this way, and page.js presses its strokes and pads by
// name. It says whether the name was one of the game's keys.
EM_JS(void, listenForKeys, (), {
    Module['pressKey'] = function(name) {
        const index = Module.keyIndex.get(name);
        if (index !== undefined) {
            _glutSpecialKey(index);
        }
        return index !== undefined;
    };
    window.addEventListener('keydown', function(event) {
        if (Module['pressKey'](event.key)) {
            event.preventDefault();
        }
    }, true);
});
// clang-format on

}  // namespace

extern "C" {

// Called by the page's timers, animation frames and keys.
EMSCRIPTEN_KEEPALIVE void glutTimerFired(TimerFunc func, int value) {
    func(value);
}

EMSCRIPTEN_KEEPALIVE void glutRedisplay() {
    redisplayAsked = false;
    displayFunc();
}

// The pointer's place is not followed: a key arrives at (0, 0).
EMSCRIPTEN_KEEPALIVE void glutSpecialKey(int index) {
    specialFunc(namedKeys[index].code, 0, 0);
}

// The page has no command line for GLUT.
void glutInit(int* /*argc*/, char** /*argv*/) {}

void glutInitDisplayMode(unsigned int mode) {
    displayMode = static_cast<int>(mode);
}

// The canvas stays where the page puts it.
void glutInitWindowPosition(int /*x*/, int /*y*/) {}

void glutInitWindowSize(int width, int height) {
    setCanvasSize(width, height);
}

// The page has its own title: the window's is not shown.
int glutCreateWindow(const char* /*title*/) {
    const bool made =
        createContext((displayMode & GLUT_DEPTH) != 0, (displayMode & GLUT_ALPHA) != 0,
                      (displayMode & GLUT_MULTISAMPLE) != 0);
    return made ? 1 : 0;
}

void glutDisplayFunc(void (*callback)()) {
    displayFunc = callback;
}

void glutReshapeFunc(void (*callback)(int, int)) {
    reshapeFunc = callback;
}

void glutSpecialFunc(void (*callback)(int, int, int)) {
    if (specialFunc == nullptr) {
        for (int i = 0; i < static_cast<int>(std::size(namedKeys)); ++i) {
            nameKey(namedKeys[i].name, i);
        }
        listenForKeys();
    }
    specialFunc = callback;
}

void glutTimerFunc(unsigned int time, TimerFunc callback, int value) {
    startTimer(time, callback, value);
}

void glutPostRedisplay() {
    if (displayFunc != nullptr && !redisplayAsked) {
        redisplayAsked = true;
        askAnimationFrame();
    }
}

// The browser shows the canvas once the animation frame's callbacks are done.
void glutSwapBuffers() {
    drawPending();
}

void glutMainLoop() {
    if (reshapeFunc != nullptr) {
        reshapeFunc(canvasWidth(), canvasHeight());
    }
    glutPostRedisplay();
    emscripten_unwind_to_js_event_loop();
}

}  // extern "C"
