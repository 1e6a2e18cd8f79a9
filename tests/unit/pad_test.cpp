#include "app/pad.h"

#include <GL/freeglut_std.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> pressed;
void record(int key, int /*x*/, int /*y*/) {
    pressed.push_back(key);
}

// What a pad's driver reads between two ticks: a button or the left stick
// set, in turn.
struct Move {
    int button;  // or -1 for the stick
    int x, y;    // the button's state, or the stick's place
};
constexpr int full = SDL_JOYSTICK_AXIS_MAX;

// Each case plugs in a pad of SDL's virtual driver while the pads are read,
// makes its moves, reads them as a tick does, then reads again with the pad
// held as it is (nothing repeats) and unplugs it.
TEST(Pads, PressesReachTheGameAsItsKeys) {
    struct Case {
        const char* name;
        std::vector<Move> moves;
        std::vector<int> keys;
    };
    const Case cases[] = {
        {"D-pad held", {{SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1, 0}}, {GLUT_KEY_DOWN}},
        {"let go before the tick",
         {{SDL_CONTROLLER_BUTTON_DPAD_LEFT, 1, 0}, {SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0, 0}},
         {GLUT_KEY_LEFT}},
        {"Start, then the D-pad",
         {{SDL_CONTROLLER_BUTTON_START, 1, 0},
          {SDL_CONTROLLER_BUTTON_DPAD_UP, 1, 0},
          {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1, 0}},
         {GLUT_KEY_F1, GLUT_KEY_UP, GLUT_KEY_RIGHT}},
        {"other buttons",
         {{SDL_CONTROLLER_BUTTON_A, 1, 0}, {SDL_CONTROLLER_BUTTON_BACK, 1, 0}},
         {}},
        {"stick short of half way", {{-1, full / 2, -full / 2}}, {}},
        {"stick along its stronger axis",
         {{-1, -full / 2 - 1, 0},
          {-1, -full, full / 2},
          {-1, -full / 2, full},
          {-1, 0, 0},
          {-1, 0, -full}},
         {GLUT_KEY_LEFT, GLUT_KEY_DOWN, GLUT_KEY_UP}},
    };
    startPads();
    for (const Case& c : cases) {
        SDL_VirtualJoystickDesc pad{};
        pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        pad.naxes = SDL_CONTROLLER_AXIS_MAX;
        pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        const int device = SDL_JoystickAttachVirtualEx(&pad);
        ASSERT_GE(device, 0) << SDL_GetError();
        pressed.clear();
        readPads(record);
        SDL_Joystick* joystick =
            SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
        ASSERT_NE(joystick, nullptr) << c.name << ": the pad plugged in was not opened";
        for (const Move& move : c.moves) {
            if (move.button >= 0) {
                SDL_JoystickSetVirtualButton(joystick, move.button, static_cast<Uint8>(move.x));
            } else {
                SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX,
                                           static_cast<Sint16>(move.x));
                SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY,
                                           static_cast<Sint16>(move.y));
            }
            SDL_GameControllerUpdate();
        }
        readPads(record);
        readPads(record);
        EXPECT_EQ(pressed, c.keys) << c.name;
        SDL_JoystickDetachVirtual(device);
        readPads(record);
    }
}

}  // namespace
