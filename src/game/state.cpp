#include "game/state.h"

#include <cstddef>

GameState game;

void growSnake(GameState& state) {
    state.length += 1;
    const auto needed = static_cast<std::size_t>(state.length);
    if (state.segX.size() < needed) {
        // vector::resize grows the capacity geometrically, so a long game
        // pays amortised constant time per segment.
        state.segX.resize(needed, 0.0F);
        state.segY.resize(needed, 0.0F);
    }
}
