// Zelvix: a snake game. main() holds the console dialogue, opens the window
// and hands over to GLUT's event loop; everything after that happens in the
// GLUT callbacks over the one GameState.
#include "app/window_start.h"

int main(int argc, char** argv) {
    greetPlayer();
    startGame(&argc, argv);
    return 0;
}
