#include "game/pads.h"

#include <GL/freeglut_std.h>
#include <gtest/gtest.h>

#include <vector>
#ifdef _WIN32
#include <windows.h>
#include <xinput.h>

#include <algorithm>
#include <deque>
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
enum : int { stick = -1, tick = -2 };  // a move of the left stick to x, y; the pads read

#ifdef _WIN32
enum : int { a = VK_PAD_A, start = VK_PAD_START, up = VK_PAD_DPAD_UP, down, left, right };
// XInput's DLL, as the test links it: one pad, in slot 0 from the start until
// unplugged; its buttons queue keystrokes, and each one held repeats at every read.
struct {
    bool plugged = true;
    XINPUT_STATE state{};
    std::deque<XINPUT_KEYSTROKE> strokes;
    std::vector<WORD> held;
    int asked = 0;  // slot 0
} pad;
#else
enum : int { a = SDL_CONTROLLER_BUTTON_A, start = SDL_CONTROLLER_BUTTON_START };
enum : int { up = SDL_CONTROLLER_BUTTON_DPAD_UP, down, left, right };
int device = 0;  // a pad of SDL's virtual driver
SDL_Joystick* joystick = nullptr;
#endif

// Plugs a pad in while the pads are read.
void plugPad() {
#ifdef _WIN32
    pad = {true, {}, {}, {}, pad.asked};
    readPads(record);
#else
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    device = SDL_JoystickAttachVirtualEx(&desc);
    readPads(record);
    joystick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
    ASSERT_NE(joystick, nullptr) << "the pad plugged in was not opened: " << SDL_GetError();
#endif
}

// Sets a button to x (1 down, 0 up), or the left stick to x, y (y downwards).
void movePad(const Move& move) {
#ifdef _WIN32
    if (move.button == stick) {
        pad.state.Gamepad.sThumbLX = static_cast<SHORT>(move.x);
        pad.state.Gamepad.sThumbLY = static_cast<SHORT>(-move.y);
        return;
    }
    const auto key = static_cast<WORD>(move.button);
    const WORD flags = move.x ? XINPUT_KEYSTROKE_KEYDOWN : XINPUT_KEYSTROKE_KEYUP;
    pad.strokes.push_back({key, 0, flags, 0, 0});
    pad.held.erase(std::remove(pad.held.begin(), pad.held.end(), key), pad.held.end());
    if (move.x) {
        pad.held.push_back(key);
    }
#else
    if (move.button != stick) {
        SDL_JoystickSetVirtualButton(joystick, move.button, static_cast<Uint8>(move.x));
    } else {
        SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX,
                                   static_cast<Sint16>(move.x));
        SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY,
                                   static_cast<Sint16>(move.y));
    }
    SDL_GameControllerUpdate();
#endif
}

void unplugPad() {
#ifdef _WIN32
    pad.plugged = false;
#else
    SDL_JoystickDetachVirtual(device);
#endif
}

// Each case plugs a pad in, makes its moves, reading the pads at each tick
// among them, then reads as two more ticks would and unplugs the pad.
TEST(Pads, PressesReachTheGameAsItsKeys) {
    constexpr int half = 32767 / 2;
    const std::vector<std::pair<std::vector<Move>, std::vector<int>>> cases = {
        {{{down, 1, 0}}, {GLUT_KEY_DOWN}},  // held: once
        {{{left, 1, 0}, {left, 0, 0}, {start, 1, 0}, {up, 1, 0}, {right, 1, 0}, {a, 1, 0}},
         {GLUT_KEY_LEFT, GLUT_KEY_F1, GLUT_KEY_UP, GLUT_KEY_RIGHT}},  // left let go before the tick
        {{{stick, half, -half},
          {tick},
          {stick, -half - 1, 0},
          {tick},
          {stick, -2 * half, half},
          {tick},
          {stick, -half, 2 * half}},
         {GLUT_KEY_LEFT, GLUT_KEY_DOWN}},  // short of half way, then along the stronger axis
        {{{stick, 0, 2 * half}, {tick}, {stick, 0, 0}, {tick}, {stick, 0, -2 * half}},
         {GLUT_KEY_DOWN, GLUT_KEY_UP}},
        {{{down, 1, 0}, {tick}, {down, 0, 0}, {tick}, {down, 1, 0}},
         {GLUT_KEY_DOWN, GLUT_KEY_DOWN}},
    };
    startPads();
    for (const auto& [moves, keys] : cases) {
        pressed.clear();
        plugPad();
        for (const Move& move : moves) {
            move.button == tick ? readPads(record) : movePad(move);
        }
        readPads(record);
        readPads(record);
        EXPECT_EQ(pressed, keys);
        unplugPad();
    }
}

#ifdef _WIN32
}  // namespace

DWORD WINAPI XInputGetState(DWORD user, XINPUT_STATE* state) {
    pad.asked += user == 0 ? 1 : 0;
    if (user != 0 || !pad.plugged) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    for (const WORD key : pad.held) {
        pad.strokes.push_back({key, 0, XINPUT_KEYSTROKE_KEYDOWN | XINPUT_KEYSTROKE_REPEAT, 0, 0});
    }
    *state = pad.state;
    return ERROR_SUCCESS;
}

DWORD WINAPI XInputGetKeystroke(DWORD user, DWORD /*reserved*/, XINPUT_KEYSTROKE* stroke) {
    if (user != 0 || !pad.plugged) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    if (pad.strokes.empty()) {
        return ERROR_EMPTY;
    }
    *stroke = pad.strokes.front();
    pad.strokes.pop_front();
    return ERROR_SUCCESS;
}

namespace {

// An empty slot is asked about once a second, not at every tick, and a pad
// plugged into it is found then.
TEST(Pads, AskAnEmptySlotAboutOnceASecond) {
    unplugPad();
    const ULONGLONG began = GetTickCount64();
    const int asked = pad.asked;
    for (int read = 0; read < 3; ++read) {
        readPads(record);
    }
    EXPECT_LE(pad.asked - asked, 1 + static_cast<int>((GetTickCount64() - began) / 1000));
    plugPad();
    movePad({start, 1, 0});
    pressed.clear();
    while (pressed.empty() && GetTickCount64() < began + 5000) {
        readPads(record);
        Sleep(1);
    }
    EXPECT_EQ(pressed, std::vector<int>{GLUT_KEY_F1});
}
#else
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
