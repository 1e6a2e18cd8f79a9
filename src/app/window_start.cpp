#include "app/window_start.h"

#include "app/dialogue.h"
#include "game/callbacks.h"
#include "game/pads.h"
#include "game/state.h"
#include "render/draw.h"
#include "render/view.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <iostream>

// Console output is fully buffered in 512 bytes, and a line break alone does
// not flush it; the tie to standard input shows the prompt before the read.
// The C library ignores the size unless it is handed the buffer itself.
static char stdoutBuffer[512];

void greetPlayer() {
    std::setvbuf(stdout, stdoutBuffer, _IOFBF, sizeof stdoutBuffer);
    game.segX[0] = 100.0F;
    game.segY[0] = 150.0F;
    printBanner(std::cout);
}

void startGame(int* argc, char** argv) {
    game.level = readLevel(std::cin);
    game.tickDelay = delayForLevel(game.level);
    game.edgeStep = game.stepX;

    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(50, 50);
    glutInitWindowSize(350, 385);
    glutCreateWindow("Zelvix version 1.2b beta - Torvane software organisation");
    disableSwapWait();
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    // The tick does not advance before the first reshape has sized the world.
    glutTimerFunc(33, tick, 1);
    glutSpecialFunc(specialKeys);
    startPads();
    initGL();
    glutMainLoop();
}
