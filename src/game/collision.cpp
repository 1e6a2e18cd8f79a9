#include "game/collision.h"

#include "game/effects.h"
#include "game/food.h"
#include "game/report.h"
#include "game/state.h"

bool squaresOverlap(float a, float b, int reach) {
    const auto s = static_cast<float>(reach);
    return (a >= b && a <= b + s) || (a + s >= b && a + s <= b + s);
}

static bool headOverlaps(const GameState& state, float x, float y) {
    return squaresOverlap(state.segX[0], x, state.segmentSize) &&
           squaresOverlap(state.segY[0], y, state.segmentSize);
}

static void gameOverActions(GameState& state) {
    beep();
    reportGameOver(state);
    state.paused = 1;
    state.gameOver = 1;
}

void checkSelfHit(GameState& state) {
    // Entries 1 to length - 1. Deliberately no early stop: every overlapping
    // entry runs the game-over actions again (beep, report, score file).
    for (int i = 2; i <= state.length; ++i) {
        if (headOverlaps(state, state.segX[i - 1], state.segY[i - 1])) {
            gameOverActions(state);
        }
    }
}

void checkFood(GameState& state) {
    // One pass per segment, counted against the current length: a new food
    // placed within reach of the head is eaten again in the same tick.
    for (int pass = 0; pass < state.length; ++pass) {
        if (headOverlaps(state, state.foodX, state.foodY)) {
            beep();
            placeFood(state, static_cast<int>(state.worldWidth),
                      static_cast<int>(state.worldHeight));
            growSnake(state);
        }
    }
}
