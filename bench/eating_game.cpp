// The game as built, with an autopilot that steers it to its food before
// every tick, so that it eats and beeps as often as a good player's would at
// level 8. Linked with --wrap for advanceGame and beep: the rules, the beep,
// the frames and the timer chain are the game's own. It writes to standard
// error, with CLOCK_MONOTONIC times in nanoseconds:
//
//   meal NS          at every food eaten
//   beep NS HELD_NS  at every beep: when it was called and how long it held
//                    the game's thread
#include "game/state.h"
#include "game/tick.h"

#include <GL/freeglut_std.h>

#include <cmath>
#include <cstdio>
#include <ctime>

// The real functions and their wrappers, by their mangled names.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" void __real__Z11advanceGameR9GameState(GameState& state);
extern "C" void __real__Z4beepv();
// NOLINTEND(bugprone-reserved-identifier)

static long long nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

struct Heading {
    int direction;
    int key;
    float dx;
    float dy;
};

static const Heading headings[] = {
    {DirLeft, GLUT_KEY_LEFT, -1.0F, 0.0F},
    {DirRight, GLUT_KEY_RIGHT, 1.0F, 0.0F},
    {DirUp, GLUT_KEY_UP, 0.0F, 1.0F},
    {DirDown, GLUT_KEY_DOWN, 0.0F, -1.0F},
};

// Inside the field, where no edge pulls the head back, and clear of the body.
static bool freeAt(const GameState& state, float x, float y) {
    const auto size = static_cast<float>(state.segmentSize);
    if (x < 0.0F || y < 0.0F || x > state.worldWidth - size ||
        y > state.worldHeight - size - state.panelHeight) {
        return false;
    }
    for (int i = 1; i < state.length; ++i) {
        if (std::fabs(x - state.segX[i]) <= size && std::fabs(y - state.segY[i]) <= size) {
            return false;
        }
    }
    return true;
}

static bool reverses(const Heading& heading, int direction) {
    return heading.dx == -headings[direction - 1].dx && heading.dy == -headings[direction - 1].dy;
}

// The free heading that comes nearest the food, one with a free step beyond
// it before one without.
static void steerToFood(GameState& state) {
    const Heading* best = nullptr;
    float bestCost = 0.0F;
    for (const Heading& heading : headings) {
        const float x = state.segX[0] + heading.dx * state.stepX;
        const float y = state.segY[0] + heading.dy * state.stepY;
        if (reverses(heading, state.direction) || !freeAt(state, x, y)) {
            continue;
        }
        bool onward = false;
        for (const Heading& next : headings) {
            onward =
                onward || (!reverses(next, heading.direction) &&
                           freeAt(state, x + next.dx * state.stepX, y + next.dy * state.stepY));
        }
        const float cost =
            std::fabs(x - state.foodX) + std::fabs(y - state.foodY) + (onward ? 0.0F : 1e6F);
        if (best == nullptr || cost < bestCost) {
            best = &heading;
            bestCost = cost;
        }
    }
    if (best != nullptr) {
        steer(state, best->key);
    }
}

// NOLINTNEXTLINE(bugprone-reserved-identifier)
extern "C" void __wrap__Z11advanceGameR9GameState(GameState& state) {
    if (state.paused == 0) {
        steerToFood(state);
    }
    const int before = state.length;
    __real__Z11advanceGameR9GameState(state);
    if (state.length > before) {
        std::fprintf(stderr, "meal %lld\n", nowNs());
    }
}

// NOLINTNEXTLINE(bugprone-reserved-identifier)
extern "C" void __wrap__Z4beepv() {
    const long long start = nowNs();
    __real__Z4beepv();
    const long long held = nowNs() - start;
    std::fprintf(stderr, "beep %lld %lld\n", start, held);
}
