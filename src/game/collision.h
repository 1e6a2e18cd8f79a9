#pragma once

struct GameState;

// True when two squares of side reach overlap along one axis: their
// coordinates differ by at most reach, so edges that just touch count.
bool squaresOverlap(float a, float b, int reach);

// Called by the tick when length >= 2; writes paused and gameOver.
void checkSelfHit(GameState& state);

// Called by every advancing tick after checkSelfHit; writes length, the food.
void checkFood(GameState& state);
