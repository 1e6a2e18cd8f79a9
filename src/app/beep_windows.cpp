// The system's default beep. MessageBeep queues the sound and returns at once,
// so the game never waits for it.
#include "game/effects.h"

#include <windows.h>

void beep() {
    MessageBeep(0xFFFFFFFF);
}
