#include "game/tick.h"

#include "game/collision.h"
#include "game/state.h"

#include <GL/freeglut_std.h>

#include <algorithm>

// The head is pulled back before it moves, so a head that has crossed a limit
// stays one step beyond it while it keeps heading out. With a body, that makes
// the next tick a self hit at the left, top and bottom limits.
static void pullBackHead(GameState& state) {
    const auto size = static_cast<float>(state.segmentSize);
    float& x = state.segX[0];
    float& y = state.segY[0];
    if (state.worldWidth - size < x) {
        x -= state.edgeStep;
    }
    if (x < 0) {
        x += state.edgeStep;
    }
    if (state.worldHeight - size - state.panelHeight < y) {
        y -= state.edgeStep;
    }
    if (y < 0) {
        y += state.edgeStep;
    }
}

// Keeps every square inside the window. The vertical bound leaves out the
// panel on purpose: it only bites after the window has shrunk.
static void clampSegments(GameState& state) {
    const auto size = static_cast<float>(state.segmentSize);
    const float maxX = state.worldWidth - size;
    const float maxY = state.worldHeight - size;
    for (int i = 0; i < state.length; ++i) {
        if (maxX < state.segX[i]) {
            state.segX[i] = maxX - 1;
        }
        if (maxY < state.segY[i]) {
            state.segY[i] = maxY - 1;
        }
    }
}

static void moveHead(GameState& state) {
    switch (state.direction) {
    case DirLeft:
        state.segX[0] -= state.stepX;
        break;
    case DirRight:
        state.segX[0] += state.stepX;
        break;
    case DirDown:
        state.segY[0] -= state.stepY;
        break;
    default:  // DirUp, and any unknown code
        state.segY[0] += state.stepY;
        break;
    }
}

// Each entry takes its predecessor's place, so entry 1 gets the head's new
// position. Segments just added get the old tail's place, or the (0, 0) of
// storage never written when more than one was added this tick.
static void shiftBody(GameState& state) {
    if (state.length <= 1) {
        return;
    }
    const auto count = static_cast<long>(state.length);
    std::copy_backward(state.segX.begin(), state.segX.begin() + count - 1,
                       state.segX.begin() + count);
    std::copy_backward(state.segY.begin(), state.segY.begin() + count - 1,
                       state.segY.begin() + count);
}

void advanceGame(GameState& state) {
    if (state.paused != 0 || state.worldWidth <= 0.0F) {
        return;
    }
    pullBackHead(state);
    clampSegments(state);
    moveHead(state);
    if (state.length >= 2) {
        checkSelfHit(state);
    }
    checkFood(state);
    shiftBody(state);
}

void steer(GameState& state, int key) {
    // Each guard reads the heading stored at this press: two presses within
    // one tick can still turn the snake straight back.
    if (key == GLUT_KEY_LEFT && state.direction != DirRight) {
        state.direction = DirLeft;
    }
    if (key == GLUT_KEY_RIGHT && state.direction != DirLeft) {
        state.direction = DirRight;
    }
    if (key == GLUT_KEY_UP && state.direction != DirDown) {
        state.direction = DirUp;
    }
    if (key == GLUT_KEY_DOWN && state.direction != DirUp) {
        state.direction = DirDown;
    }
    if (key == GLUT_KEY_F1) {
        const int toggled = state.paused == 0 ? 1 : 0;
        state.paused = toggled;
        state.pausedShown = toggled;
    }
}

void pauseRunningGame(GameState& state) {
    if (state.paused == 0 && state.gameOver == 0) {
        steer(state, GLUT_KEY_F1);
    }
}
