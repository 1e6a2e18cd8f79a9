#include "game/food.h"

#include "game/state.h"

#include <cmath>

std::uint32_t randomState = 1;

int nextRandom() {
    randomState = randomState * 214013U + 2531011U;
    return static_cast<int>((randomState >> 16U) & 0x7FFFU);
}

void placeFood(GameState& state, int width, int height) {
    const int size = state.segmentSize;
    const float edge = state.edgeStep;
    // A world is never narrower than 250 units once shown; guard the modulo
    // anyway so a zero width cannot divide by zero.
    const int span = width > 0 ? width : 1;
    state.foodX = static_cast<float>(nextRandom() % span - 5);
    // The vertical coordinate is drawn from the width too: the food sequence
    // of every window size depends on it.
    state.foodY = static_cast<float>(nextRandom() % span - 5);
    // Each bound pushes back once, by one step; nothing checks the snake.
    if (state.foodX < 0) {
        state.foodX += edge;
    }
    if (static_cast<float>(width - size - 5) < state.foodX) {
        state.foodX -= edge;
    }
    if (state.foodY < 0) {
        state.foodY += edge;
    }
    if (static_cast<float>(height - size) - state.panelHeight - 5 < state.foodY) {
        state.foodY -= edge;
    }
    // In a world less tall than wide the one push above can leave the food in
    // the panel or above the window, where the head never reaches it. Step it
    // down by whole pushes until its square starts no higher than the field's
    // top; worlds 268 units high or more never need this, so their sequences
    // stay as they are.
    const float top = static_cast<float>(height) - state.panelHeight;
    if (edge > 0 && state.foodY > top) {
        state.foodY -= edge * std::ceil((state.foodY - top) / edge);
    }
}
