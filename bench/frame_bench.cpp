// Time to draw one frame of the game in a real GL context.
//
// Opens the game's 350 x 385 double-buffered window through GLUT, sets it up
// with the game's own reshape and initGL, waits until the window is shown and
// then times drawFrame followed by glFinish, so the figure includes the
// driver's rasterisation and not just the queueing of commands. A second
// series adds the buffer swap, which is what the display callback does too.
//
// Needs an X display; without one use for example
//   xvfb-run -a -s "-screen 0 1024x768x24 -noreset" build/bench/frame_bench
#include "game/effects.h"
#include "game/state.h"
#include "render/draw.h"
#include "render/view.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int windowWidth = 350;
constexpr int windowHeight = 385;

bool shown = false;

void markShown() {
    shown = true;
}

// A snake of the given length as a long game leaves it: a serpentine over the
// grid of head positions (columns 100 + 11k, rows 150 + 11k folded into the
// field), entry 1 sharing the head's place. Longer snakes than the field has
// cells wrap around and draw over themselves, as squares of a real game do.
GameState snakeOfLength(int length) {
    GameState state = game;  // carries the world extents from the reshape
    state.length = 1;
    while (state.length < length) {
        growSnake(state);
    }
    constexpr int columns = 22;  // x = 1 + 11 c stays within 0 .. 240
    constexpr int rows = 21;     // y = 8 + 11 r stays within 0 .. 230
    for (int i = 0; i < length; ++i) {
        const int cell = (i == 0 ? 0 : i - 1) % (columns * rows);
        const int row = cell / columns;
        const int column = row % 2 == 0 ? cell % columns : columns - 1 - cell % columns;
        state.segX[static_cast<std::size_t>(i)] = 1.0F + 11.0F * static_cast<float>(column);
        state.segY[static_cast<std::size_t>(i)] = 8.0F + 11.0F * static_cast<float>(row);
    }
    return state;
}

void BM_DrawFrame(benchmark::State& st) {
    GameState state = snakeOfLength(static_cast<int>(st.range(0)));
    glFinish();
    for (auto _ : st) {
        drawFrame(state);
        glFinish();
    }
    if (glGetError() != GL_NO_ERROR) {
        st.SkipWithError("GL reported an error");
    }
    st.SetComplexityN(st.range(0));
}

void BM_DrawFrameAndSwap(benchmark::State& st) {
    GameState state = snakeOfLength(static_cast<int>(st.range(0)));
    glFinish();
    for (auto _ : st) {
        drawFrame(state);
        glutSwapBuffers();
        glFinish();
    }
    if (glGetError() != GL_NO_ERROR) {
        st.SkipWithError("GL reported an error");
    }
    st.SetComplexityN(st.range(0));
}

void lengths(benchmark::internal::Benchmark* b) {
    for (const int length : {1, 1000, 10000}) {
        b->Arg(length);
    }
    // Frames are timed on the wall clock: the rasteriser may work on other threads.
    b->ArgName("length")->UseRealTime()->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_DrawFrame)->Apply(lengths);
BENCHMARK(BM_DrawFrameAndSwap)->Apply(lengths);

const char* glString(GLenum name) {
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text != nullptr ? text : "unknown";
}

}  // namespace

// A frame never beeps; the rules that could are not run here.
void beep() {}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr,
                     "frame_bench: no X display (DISPLAY is unset); run it under xvfb-run\n");
        return 2;
    }
    glutInit(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(50, 50);
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow("frame_bench");
    glutDisplayFunc(markShown);
    glutReshapeFunc(reshape);
    initGL();
    // Let GLUT map the window and deliver the first reshape and redraw.
    for (int round = 0; round < 1000 && !shown; ++round) {
        glutMainLoopEvent();
    }
    if (!shown || game.worldWidth <= 0.0F) {
        std::fprintf(stderr, "frame_bench: the window was never shown\n");
        return 1;
    }
    benchmark::AddCustomContext("gl_renderer", glString(GL_RENDERER));
    benchmark::AddCustomContext("gl_version", glString(GL_VERSION));
    benchmark::AddCustomContext("world", std::to_string(game.worldWidth) + " x " +
                                             std::to_string(game.worldHeight));
    const std::size_t ran = benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return ran > 0 ? 0 : 1;
}
