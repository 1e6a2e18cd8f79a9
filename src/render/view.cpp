#include "render/view.h"

#include "game/state.h"
#include "render/world.h"

#include <GL/freeglut.h>

void reshape(int width, int height) {
    // A 0-pixel side counts as 1, for the viewport as for the world.
    const int w = width > 0 ? width : 1;
    const int h = height > 0 ? height : 1;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const WorldSize world = worldSize(w, h);
    game.worldWidth = world.width;
    game.worldHeight = world.height;
    // Near 1, far -1: the panel at z = 0.1 lies behind the squares at z = 0.
    glOrtho(0, game.worldWidth, 0, game.worldHeight, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void initGL() {
    glClearColor(0.0F, 0.0F, 0.3F, 1.0F);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
}
