// Zelvix in a web page. The start-up is the desktop's, split where the desktop
// waits in the level read: main() shows the banner and prompt and returns to
// the page, which calls levelEntered() once the player has typed a line with
// something on it; that line is then waiting on standard input.
#include "app/window_start.h"
#include "game/callbacks.h"
#include "game/state.h"

#include <GL/freeglut.h>
#include <emscripten/emscripten.h>

#include <iostream>

static bool playing = false;  // from the level's line on

int main() {
    greetPlayer();
    // The page waits here instead of the read, so it shows the prompt as the
    // read would.
    std::cout.flush();
    return 0;
}

// The page has no command line: GLUT gets the program's name alone.
extern "C" EMSCRIPTEN_KEEPALIVE void levelEntered() {
    static char name[] = "zelvix";
    static char* argv[] = {name, nullptr};
    static int argc = 1;
    playing = true;
    startGame(&argc, argv);
}

// Swipes and taps on the canvas arrive as the GLUT key codes of the arrows and F1.
extern "C" EMSCRIPTEN_KEEPALIVE void touchKey(int key) {
    specialKeys(key, 0, 0);
}

// Called by the page when it is hidden: a game that runs (neither paused nor
// over) pauses as F1 would, and the player resumes it.
extern "C" EMSCRIPTEN_KEEPALIVE void pageHidden() {
    if (playing && game.paused == 0 && game.gameOver == 0) {
        specialKeys(GLUT_KEY_F1, 0, 0);
    }
}
