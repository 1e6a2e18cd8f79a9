// The least a GLUT program running at a fixed pace can do: a reference for the
// game's cadence, CPU use and memory.
//
//   bare_loop DELAY_MS [GLUT options]
//
// Opens the game's window (350 x 385 at (50, 50), double-buffered RGB with
// depth), re-arms a GLUT timer every DELAY_MS milliseconds (the first one 33 ms
// after start, as the game does) that asks for a redraw, and draws the game's
// starting scene on every redraw: one snake square, the food, the status panel
// and its five texts, then swaps. No game state, no rules, no console dialogue;
// it shares no code with the game.
#include <GL/freeglut.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

unsigned int delayMs = 100;
float worldWidth = 250.0F;
float worldHeight = 275.0F;

void text(int x, int y, void* font, const char* characters) {
    glRasterPos2i(x, y);
    for (const char* c = characters; *c != '\0'; ++c) {
        glutBitmapCharacter(font, static_cast<unsigned char>(*c));
    }
}

void display() {
    const float size = 10.0F;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();

    // The snake's one square, colours as bytes.
    const float sx = 100.0F;
    const float sy = 150.0F;
    glBegin(GL_POLYGON);
    glColor3ub(255, 255, 255);
    glVertex3f(sx, sy, 0.0F);
    glColor3ub(255, 255, 0);
    glVertex3f(sx + size, sy, 0.0F);
    glColor3ub(255, 0, 0);
    glVertex3f(sx + size, sy + size, 0.0F);
    glColor3ub(255, 0, 255);
    glVertex3f(sx, sy + size, 0.0F);
    glEnd();

    // The food, colours as floats.
    const float fx = 125.0F;
    const float fy = 130.0F;
    glBegin(GL_POLYGON);
    glColor3f(0.0F, 1.0F, 1.0F);
    glVertex3f(fx, fy, 0.0F);
    glColor3f(1.0F, 0.0F, 1.0F);
    glVertex3f(fx + size, fy, 0.0F);
    glColor3f(1.0F, 0.0F, 0.0F);
    glVertex3f(fx + size, fy + size, 0.0F);
    glColor3f(1.0F, 1.0F, 0.0F);
    glVertex3f(fx, fy + size, 0.0F);
    glEnd();

    // The status panel, behind the squares at z = 0.1.
    const float panel = 35.0F;
    glBegin(GL_POLYGON);
    glColor3f(0.75F, 0.75F, 0.75F);
    glVertex3f(0.0F, worldHeight - panel, 0.1F);
    glColor3f(0.75F, 0.75F, 0.75F);
    glVertex3f(worldWidth, worldHeight - panel, 0.1F);
    glColor3f(0.98F, 0.625F, 0.12F);
    glVertex3f(worldWidth, worldHeight, 0.1F);
    glColor3f(0.98F, 0.625F, 0.12F);
    glVertex3f(0.0F, worldHeight, 0.1F);
    glEnd();

    glPopMatrix();
    glLoadIdentity();

    const int h = static_cast<int>(worldHeight);
    glColor3f(0.6F, 0.4F, 0.12F);
    text(10, h - 15, GLUT_BITMAP_HELVETICA_18, "Zelvix 1.2b");
    glColor3f(0.6F, 0.4F, 0.12F);
    text(150, h - 30, GLUT_BITMAP_HELVETICA_12, "Press F1 to pause");
    glColor3f(0.6F, 0.4F, 0.12F);
    text(10, h - 30, GLUT_BITMAP_HELVETICA_12, "Score :");
    text(60, h - 30, GLUT_BITMAP_HELVETICA_12, "1");
    text(130, h - 20, GLUT_BITMAP_HELVETICA_12, "By: Pemrith");

    glutSwapBuffers();
}

// The shorter side spans 250 units: 250 x 275 for the 350 x 385 window.
void reshape(int width, int height) {
    const int w = width > 0 ? width : 1;
    const int h = height > 0 ? height : 1;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (w <= h) {
        worldWidth = 250.0F;
        worldHeight = static_cast<float>(h * 250.0 / w);
    } else {
        worldWidth = static_cast<float>(w * 250.0 / h);
        worldHeight = 250.0F;
    }
    glOrtho(0, worldWidth, 0, worldHeight, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void tick(int /*value*/) {
    glutPostRedisplay();
    glutTimerFunc(delayMs, tick, 1);
}

}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DELAY_MS [GLUT options]\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    errno = 0;
    const long delay = std::strtol(argv[1], &end, 10);
    if (errno != 0 || end == argv[1] || *end != '\0' || delay < 0 || delay > 100000) {
        std::fprintf(stderr, "bare_loop: delay must be 0 to 100000 ms, not '%s'\n", argv[1]);
        return 2;
    }
    delayMs = static_cast<unsigned int>(delay);

    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(50, 50);
    glutInitWindowSize(350, 385);
    glutCreateWindow("bare_loop");
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutTimerFunc(33, tick, 1);
    glClearColor(0.0F, 0.0F, 0.3F, 1.0F);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glutMainLoop();
    return 0;
}
