#pragma once

// GLUT reshape callback: sizes the world to the window and sets the projection.
void reshape(int width, int height);

// One-time drawing state, set after the window exists.
void initGL();

// Lets buffer swaps return without waiting for the monitor's refresh, where
// the driver offers swap control, so the tick pace is the level's own.
void disableSwapWait();
