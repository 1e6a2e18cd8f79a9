// The one set of variables the whole game shares. Every GLUT callback reads and
// writes it directly; they all run on GLUT's single thread, one at a time.
#pragma once

#include <vector>

// Heading codes held in GameState::direction.
enum : int { DirLeft = 1, DirRight = 2, DirUp = 3, DirDown = 4 };

struct GameState {
    int segmentSize = 10;  // side of every square; also the reach of the overlap test
    float stepX = 11.0F;
    float stepY = 11.0F;
    int direction = DirRight;
    float foodX = 125.0F;  // food square's lower-left corner
    float foodY = 130.0F;
    int length = 1;  // live segments, and the score
    const char* scoreLabel = "Score :";
    const char* gameOverText = "Game Over!";
    const char* titleText = "Zelvix 1.2b";
    const char* pausedText = "Paused";
    const char* hintText = "Press F1 to pause";
    const char* creditText = "By: Pemrith";
    float panelHeight = 35.0F;  // status panel along the top of the world
    // Lower-left corners of the segments, head first. Entries at and beyond
    // length hold 0.0 until the snake grows over them; the storage grows with
    // the snake (see growSnake), so it always holds at least length entries.
    std::vector<float> segX = std::vector<float>(1000, 0.0F);
    std::vector<float> segY = std::vector<float>(1000, 0.0F);
    char scoreText[12] = {};  // decimal length as of the last frame; fits any int
    float edgeStep = 0.0F;    // pull-back distance at the edges, set at start-up
    float worldWidth = 0.0F;  // visible world in world units, set on reshape
    float worldHeight = 0.0F;
    int level = 0;      // speed level as typed
    int tickDelay = 0;  // milliseconds between ticks after the first
    int gameOver = 0;
    int pausedShown = 0;  // the player's pause (F1)
    int paused = 0;       // set by F1 and by a self hit
};

// A declaration: clang-tidy 14 under Emscripten's flags takes it for a definition.
extern GameState game;  // NOLINT(bugprone-dynamic-static-initializers)

// Adds one segment, making room for it first; new storage starts at 0.0.
void growSnake(GameState& state);
