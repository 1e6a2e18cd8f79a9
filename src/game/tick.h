#pragma once

struct GameState;

// One tick of the game, everything but the redraw and the next timer. Does
// nothing while paused, or before the first reshape has sized the world.
// Called by the timer callback; writes the segments, and through the
// collision rules length, the food, paused and gameOver.
void advanceGame(GameState& state);

// Steering by GLUT special-key code: arrows turn (never straight back from
// the heading stored now), F1 toggles the pause. Called by the key callback;
// writes direction, paused, pausedShown.
void steer(GameState& state, int key);

// The player looking away: a game that runs (neither paused nor over) pauses
// as F1 would; one paused or over is left alone. Called by the page when it
// is hidden; writes paused, pausedShown.
void pauseRunningGame(GameState& state);
