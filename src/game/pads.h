// What the tick asks of the machine's game controllers: their presses, as the
// keys they stand for (the D-pad and the left stick are the arrows, Start is
// F1). Like the beep (effects.h), one file per platform answers, picked by the
// build.
#pragma once

// Starts watching for pads, which may come and go from then on. Where there
// is no way to read them, nothing changes. Called by the start-up.
void startPads();

// Hands each pad press since the last call to press, as the GLUT special key
// it stands for, once, in the order they came; a press already let go counts
// too, one still held does not repeat. Called by the tick before the step.
void readPads(void (*press)(int key, int x, int y));
