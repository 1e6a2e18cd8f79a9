#pragma once

// The start-up sequence, shared by every platform's entry. Each call holds
// its steps in order; between the two, the player types the level.

// Puts the head at its starting place and writes the banner and prompt to
// standard output, fully buffered in 512 bytes.
void greetPlayer();

// Reads the level from standard input, sets the tick delay and the edge step,
// opens the window, registers the callbacks and enters GLUT's event loop.
void startGame(int* argc, char** argv);
