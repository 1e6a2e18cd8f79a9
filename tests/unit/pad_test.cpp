#include "game/pads.h"

#include <GL/freeglut_std.h>
#include <gtest/gtest.h>

#include <vector>
#ifdef _WIN32
#include <windows.h>
#include <xinput.h>

// XInput's DLL, as the test links it: one pad, in slot 0, whose buttons queue
// keystrokes, each press followed by its repeat.
static XINPUT_GAMEPAD gamepad{};
static std::vector<XINPUT_KEYSTROKE> strokes;

DWORD WINAPI XInputGetState(DWORD user, XINPUT_STATE* state) {
    state->Gamepad = gamepad;
    return user == 0 ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
}

DWORD WINAPI XInputGetKeystroke(DWORD /*user*/, DWORD /*reserved*/, XINPUT_KEYSTROKE* stroke) {
    if (strokes.empty()) {
        return ERROR_EMPTY;
    }
    *stroke = strokes.front();
    strokes.erase(strokes.begin());
    return ERROR_SUCCESS;
}
#else
#include <SDL.h>

#include <csignal>
#endif

namespace {

std::vector<int> pressed;
void record(int key, int /*x*/, int /*y*/) {
    pressed.push_back(key);
}

struct Move {
    int button, x = 0, y = 0;
};
// Besides the buttons: the left stick to x, y (y downwards), the pad plugged in and unplugged.
enum : int { stick = -1, plug = -2, unplug = -3 };

#ifdef _WIN32
enum : int { a = VK_PAD_A, start = VK_PAD_START, up = VK_PAD_DPAD_UP, down, left, right };

// XInput gives the stick's place, not its moves: each is read as a tick would.
// The pad stays in its slot, plugged in and unplugged with its stick centred.
void movePad(const Move& move) {
    const auto key = static_cast<WORD>(move.button);
    if (move.button == stick) {
        gamepad.sThumbLX = static_cast<SHORT>(move.x);
        gamepad.sThumbLY = static_cast<SHORT>(-move.y);
        readPads(record);
    } else if (move.button < stick) {
        gamepad = {};
        readPads(record);
    } else if (move.x != 0) {
        strokes.push_back({key, 0, XINPUT_KEYSTROKE_KEYDOWN, 0, 0});
        strokes.push_back({key, 0, XINPUT_KEYSTROKE_KEYDOWN | XINPUT_KEYSTROKE_REPEAT, 0, 0});
    } else {
        strokes.push_back({key, 0, XINPUT_KEYSTROKE_KEYUP, 0, 0});
    }
}
#else
enum : int { a = SDL_CONTROLLER_BUTTON_A, start = SDL_CONTROLLER_BUTTON_START };
enum : int { up = SDL_CONTROLLER_BUTTON_DPAD_UP, down, left, right };
int device = 0;  // a pad of SDL's virtual driver, read by the driver at each move
SDL_Joystick* joystick = nullptr;

void movePad(const Move& move) {
    if (move.button == plug) {
        SDL_VirtualJoystickDesc pad{};
        pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        pad.naxes = SDL_CONTROLLER_AXIS_MAX;
        pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        device = SDL_JoystickAttachVirtualEx(&pad);
        readPads(record);
        joystick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
        ASSERT_NE(joystick, nullptr) << "the pad plugged in was not opened: " << SDL_GetError();
    } else if (move.button == unplug) {
        SDL_JoystickDetachVirtual(device);
    } else if (move.button == stick) {
        SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX,
                                   static_cast<Sint16>(move.x));
        SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY,
                                   static_cast<Sint16>(move.y));
    } else {
        SDL_JoystickSetVirtualButton(joystick, move.button, static_cast<Uint8>(move.x));
    }
    SDL_GameControllerUpdate();
}
#endif

// Each case plugs a pad in while the pads are read, makes its moves, then
// reads as two ticks would and unplugs the pad.
TEST(Pads, PressesReachTheGameAsItsKeys) {
    constexpr int half = 32767 / 2;
    const std::vector<std::pair<std::vector<Move>, std::vector<int>>> cases = {
        {{{down, 1}}, {GLUT_KEY_DOWN}},  // held: once
        {{{left, 1}, {left, 0}, {start, 1}, {up, 1}, {right, 1}, {a, 1}},
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
        pressed.clear();
        movePad({plug});
        for (const Move& move : moves) {
            movePad(move);
        }
        readPads(record);
        readPads(record);
        EXPECT_EQ(pressed, keys);
        movePad({unplug});
    }
}

#ifndef _WIN32
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
#endif

}  // namespace
