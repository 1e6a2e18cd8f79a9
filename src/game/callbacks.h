#pragma once

// GLUT callbacks over the one game state: thin wrappers around the rules.
void tick(int value);
void specialKeys(int key, int x, int y);
