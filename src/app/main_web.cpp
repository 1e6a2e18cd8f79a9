// Zelvix in a web page. The start-up is the desktop's, split where the desktop
// waits in the level read: main() shows the banner and prompt and returns to
// the page, which calls levelEntered() once the player has typed a line with
// something on it; that line is then waiting on standard input. Keys, strokes
// and pads reach the game through the page's GLUT (glut_web.cpp).
#include "app/window_start.h"
#include "game/state.h"
#include "game/tick.h"

#include <emscripten/emscripten.h>

#include <iostream>

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
    startGame(&argc, argv);
}

// Called by the page when it is hidden, once the level has been typed.
extern "C" EMSCRIPTEN_KEEPALIVE void pageHidden() {
    pauseRunningGame(game);
}

// Called by the page, which keeps the screen on while the snake moves: not
// paused, by F1, the page hidden or the game over.
extern "C" EMSCRIPTEN_KEEPALIVE int gameMoving() {
    return game.paused == 0 ? 1 : 0;
}
