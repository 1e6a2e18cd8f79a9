// A short tone through the page's Web Audio context; silent until the player's
// first Enter has allowed the page to play sound.
#include "game/effects.h"

#include <emscripten/emscripten.h>

EM_JS(void, pageBeep, (), { Module['beep'](); });

void beep() {
    pageBeep();
}
