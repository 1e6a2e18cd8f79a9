// Pads through SDL's game-controller subsystem alone, without its video: the
// window stays GLUT's. Their events are read, not only their state, so a
// press let go between two ticks still counts.
#include "app/pad_stick.h"
#include "game/pads.h"

#include <GL/freeglut_std.h>
#include <SDL.h>

#include <map>

namespace {

bool started = false;  // SDL's subsystem runs

struct Stick {
    int x = 0;
    int y = 0;
    int key = 0;  // the arrow it points to now, or 0
};

std::map<SDL_JoystickID, Stick> sticks;  // by pad

int buttonKey(int button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return GLUT_KEY_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return GLUT_KEY_RIGHT;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return GLUT_KEY_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return GLUT_KEY_DOWN;
    case SDL_CONTROLLER_BUTTON_START:
        return GLUT_KEY_F1;
    default:
        return 0;
    }
}

// A stick turned to a new arrow presses it.
int moveStick(const SDL_ControllerAxisEvent& motion) {
    Stick& stick = sticks[motion.which];
    if (motion.axis == SDL_CONTROLLER_AXIS_LEFTX) {
        stick.x = motion.value;
    } else if (motion.axis == SDL_CONTROLLER_AXIS_LEFTY) {
        stick.y = motion.value;
    }
    const int before = stick.key;
    stick.key = stickKey(stick.x, stick.y);  // SDL's stick grows downwards
    return stick.key != before ? stick.key : 0;
}

}  // namespace

void startPads() {
    // SDL's own SIGINT and SIGTERM handlers would only queue a quit event,
    // which nothing reads: Ctrl+C and kill must still end the game.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    started = SDL_Init(SDL_INIT_GAMECONTROLLER) == 0;
}

void readPads(void (*press)(int key, int x, int y)) {
    SDL_Event event;
    while (started && SDL_PollEvent(&event) != 0) {
        int key = 0;
        switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            SDL_GameControllerOpen(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            SDL_GameControllerClose(SDL_GameControllerFromInstanceID(event.cdevice.which));
            sticks.erase(event.cdevice.which);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
            key = buttonKey(event.cbutton.button);
            break;
        case SDL_CONTROLLERAXISMOTION:
            key = moveStick(event.caxis);
            break;
        default:
            break;
        }
        if (key != 0) {
            press(key, 0, 0);
        }
    }
}
