#include "render/draw.h"

#include "game/state.h"

#include <GL/freeglut.h>

#include <cstdio>

static void drawSegment(float x, float y, float size) {
    glBegin(GL_POLYGON);
    glColor3ub(255, 255, 255);
    glVertex3f(x, y, 0.0F);
    glColor3ub(255, 255, 0);
    glVertex3f(x + size, y, 0.0F);
    glColor3ub(255, 0, 0);
    glVertex3f(x + size, y + size, 0.0F);
    glColor3ub(255, 0, 255);
    glVertex3f(x, y + size, 0.0F);
    glEnd();
}

static void drawFood(float x, float y, float size) {
    glBegin(GL_POLYGON);
    glColor3f(0.0F, 1.0F, 1.0F);
    glVertex3f(x, y, 0.0F);
    glColor3f(1.0F, 0.0F, 1.0F);
    glVertex3f(x + size, y, 0.0F);
    glColor3f(1.0F, 0.0F, 0.0F);
    glVertex3f(x + size, y + size, 0.0F);
    glColor3f(1.0F, 1.0F, 0.0F);
    glVertex3f(x, y + size, 0.0F);
    glEnd();
}

// The panel lies at z = 0.1, behind the squares and texts.
static void drawPanel(float width, float height, float panel) {
    glBegin(GL_POLYGON);
    glColor3f(0.75F, 0.75F, 0.75F);
    glVertex3f(0.0F, height - panel, 0.1F);
    glColor3f(0.75F, 0.75F, 0.75F);
    glVertex3f(width, height - panel, 0.1F);
    glColor3f(0.98F, 0.625F, 0.12F);
    glVertex3f(width, height, 0.1F);
    glColor3f(0.98F, 0.625F, 0.12F);
    glVertex3f(0.0F, height, 0.1F);
    glEnd();
}

static void setTextColour() {
    glColor3f(0.6F, 0.4F, 0.12F);
}

static void drawText(int x, int y, void* font, const char* text) {
    glRasterPos2i(x, y);
    for (const char* c = text; *c != '\0'; ++c) {
        glutBitmapCharacter(font, static_cast<unsigned char>(*c));
    }
}

// Status texts; rows 4 and 5 keep the colour set for the score label.
static void drawTexts(GameState& state) {
    const int height15 = static_cast<int>(state.worldHeight - 15);
    const int height20 = static_cast<int>(state.worldHeight - 20);
    const int height30 = static_cast<int>(state.worldHeight - 30);
    setTextColour();
    drawText(10, height15, GLUT_BITMAP_HELVETICA_18, state.titleText);
    setTextColour();
    drawText(150, height30, GLUT_BITMAP_HELVETICA_12, state.hintText);
    setTextColour();
    drawText(10, height30, GLUT_BITMAP_HELVETICA_12, state.scoreLabel);
    std::snprintf(state.scoreText, sizeof state.scoreText, "%d", state.length);
    drawText(60, height30, GLUT_BITMAP_HELVETICA_12, state.scoreText);
    drawText(130, height20, GLUT_BITMAP_HELVETICA_12, state.creditText);
    if (state.gameOver == 1) {
        setTextColour();
        drawText(100, 130, GLUT_BITMAP_HELVETICA_18, state.gameOverText);
    }
    // Shares the game-over position: both texts overlap when both flags are set.
    if (state.pausedShown == 1) {
        setTextColour();
        drawText(100, 130, GLUT_BITMAP_HELVETICA_18, state.pausedText);
    }
}

void drawFrame(GameState& state) {
    const auto size = static_cast<float>(state.segmentSize);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    // Head first: where squares overlap, the one drawn first stays visible.
    for (int i = 0; i < state.length; ++i) {
        drawSegment(state.segX[i], state.segY[i], size);
    }
    drawFood(state.foodX, state.foodY, size);
    drawPanel(state.worldWidth, state.worldHeight, state.panelHeight);
    glPopMatrix();
    glLoadIdentity();
    drawTexts(state);
}

void display() {
    drawFrame(game);
    glutSwapBuffers();
}
