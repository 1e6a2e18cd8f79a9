// Pads through XInput, the system's xinput1_4.dll (Windows 8 and later): its
// keystroke queue keeps a press let go between two ticks, which the pad's
// state alone would miss, so the D-pad and Start are read from the queue and
// only the left stick from the state.
#include "app/pad_stick.h"
#include "game/pads.h"

#include <GL/freeglut_std.h>
#include <windows.h>
#include <xinput.h>

namespace {

// Asking an empty slot looks for a device each time, which takes long on
// some machines: one found empty is asked again a second later.
constexpr ULONGLONG emptySlotWait = 1000;

struct Slot {
    bool empty = false;
    ULONGLONG askAgain = 0;  // when an empty slot is asked again, in ms since boot
    int stick = 0;           // the arrow the left stick points to, or 0
};

Slot slots[XUSER_MAX_COUNT];

int buttonKey(WORD virtualKey) {
    switch (virtualKey) {
    case VK_PAD_DPAD_LEFT:
        return GLUT_KEY_LEFT;
    case VK_PAD_DPAD_RIGHT:
        return GLUT_KEY_RIGHT;
    case VK_PAD_DPAD_UP:
        return GLUT_KEY_UP;
    case VK_PAD_DPAD_DOWN:
        return GLUT_KEY_DOWN;
    case VK_PAD_START:
        return GLUT_KEY_F1;
    default:
        return 0;
    }
}

}  // namespace

// XInput looks for its devices at its first call (a fifth of a second under
// Wine): the start-up pays for it, not the first tick.
void startPads() {
    readPads([](int /*key*/, int /*x*/, int /*y*/) {});
}

void readPads(void (*press)(int key, int x, int y)) {
    const ULONGLONG now = GetTickCount64();
    for (DWORD user = 0; user < XUSER_MAX_COUNT; ++user) {
        Slot& slot = slots[user];
        if (slot.empty && now < slot.askAgain) {
            continue;
        }
        XINPUT_STATE state{};
        if (XInputGetState(user, &state) != ERROR_SUCCESS) {
            slot = Slot{true, now + emptySlotWait, 0};
            continue;
        }
        slot.empty = false;
        XINPUT_KEYSTROKE stroke{};
        while (XInputGetKeystroke(user, 0, &stroke) == ERROR_SUCCESS) {
            const int key = buttonKey(stroke.VirtualKey);
            if (key != 0 && stroke.Flags == XINPUT_KEYSTROKE_KEYDOWN) {  // not a repeat
                press(key, 0, 0);
            }
        }
        // XInput's stick grows upwards.
        const int stick = stickKey(state.Gamepad.sThumbLX, -state.Gamepad.sThumbLY);
        if (stick != 0 && stick != slot.stick) {
            press(stick, 0, 0);
        }
        slot.stick = stick;
    }
}
