#pragma once

struct GameState;

// Draws one frame of the state into the current GL context, without the
// buffer swap. Writes only scoreText, the decimal form of length.
void drawFrame(GameState& state);

// GLUT display callback: the frame of the one game state, then the swap.
void display();
