#pragma once

#include <cstdint>

struct GameState;

// Generator state: 1 when the process starts and never reseeded, so every run
// offers the same food places for the same window size.
extern std::uint32_t randomState;

// Returns 0 to 32767.
int nextRandom();

// Called when the food is eaten; writes foodX, foodY.
void placeFood(GameState& state, int width, int height);
