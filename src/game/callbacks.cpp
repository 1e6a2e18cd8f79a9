#include "game/callbacks.h"

#include "game/pads.h"
#include "game/state.h"
#include "game/tick.h"

#include <GL/freeglut_std.h>

// The one timer chain: every tick, paused or not, redraws and arms its successor.
// A pad pressed since the last tick acts as its key pressed just before this one.
void tick(int /*value*/) {
    readPads(specialKeys);
    advanceGame(game);
    glutPostRedisplay();
    glutTimerFunc(static_cast<unsigned int>(game.tickDelay), tick, 1);
}

// The change shows at the next tick; no redraw from here.
void specialKeys(int key, int /*x*/, int /*y*/) {
    steer(game, key);
}
