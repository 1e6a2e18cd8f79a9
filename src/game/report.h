#pragma once

struct GameState;

// Called by the game-over actions: the console report on standard output and
// the one-line score file "User_score.txt", replaced at every game over.
void reportGameOver(const GameState& state);
