#include "app/pad.h"

#include <GL/freeglut_std.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>
#include <vector>

namespace {

std::vector<int> pressed;
void record(int key, int /*x*/, int /*y*/) {
    pressed.push_back(key);
}

// Each case plugs a pad of SDL's virtual driver in while the pads are read,
// sets a button (or, as button -1, the left stick to x, y) for each move, read
// by the driver in turn, then reads as two ticks would and unplugs the pad.
TEST(Pads, PressesReachTheGameAsItsKeys) {
    struct Move {
        int button, x, y;
    };
    enum : int { stick = -1, a = SDL_CONTROLLER_BUTTON_A, start = SDL_CONTROLLER_BUTTON_START };
    enum : int { up = SDL_CONTROLLER_BUTTON_DPAD_UP, down, left, right };
    constexpr int half = SDL_JOYSTICK_AXIS_MAX / 2;
    const std::vector<std::pair<std::vector<Move>, std::vector<int>>> cases = {
        {{{down, 1, 0}}, {GLUT_KEY_DOWN}},  // held: once
        {{{left, 1, 0}, {left, 0, 0}, {start, 1, 0}, {up, 1, 0}, {right, 1, 0}, {a, 1, 0}},
         {GLUT_KEY_LEFT, GLUT_KEY_F1, GLUT_KEY_UP, GLUT_KEY_RIGHT}},  // left let go before the tick
        {{{stick, half, -half},
          {stick, -half - 1, 0},
          {stick, -2 * half, half},
          {stick, -half, 2 * half}},
         {GLUT_KEY_LEFT, GLUT_KEY_DOWN}},  // short of half way, then along the stronger axis
        {{{stick, 0, 2 * half}, {stick, 0, 0}, {stick, 0, -2 * half}},
         {GLUT_KEY_DOWN, GLUT_KEY_UP}},
    };
    startPads();
    for (const auto& [moves, keys] : cases) {
        SDL_VirtualJoystickDesc pad{};
        pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        pad.naxes = SDL_CONTROLLER_AXIS_MAX;
        pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        const int device = SDL_JoystickAttachVirtualEx(&pad);
        pressed.clear();
        readPads(record);
        SDL_Joystick* joystick =
            SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
        ASSERT_NE(joystick, nullptr) << "the pad plugged in was not opened: " << SDL_GetError();
        for (const Move& move : moves) {
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
        EXPECT_EQ(pressed, keys);
        SDL_JoystickDetachVirtual(device);
    }
}

// Ctrl+C and kill still end a game whose pads are watched: SDL leaves their
// signals at their default actions, which end the process.
TEST(Pads, LeaveCtrlCAndKillToTheirDefaultActions) {
    startPads();
    for (const int sig : {SIGINT, SIGTERM}) {
        struct sigaction action = {};
        ASSERT_EQ(sigaction(sig, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << "signal " << sig;
    }
}

}  // namespace
