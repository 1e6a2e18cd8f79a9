// The game's one way out to the machine besides the console and the score file.
// The program links the desktop's bell; the unit tests link a counter.
#pragma once

// Sounds a short beep without blocking; silent where no sound is possible.
void beep();
