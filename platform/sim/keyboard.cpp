// Key presses and focus changes as the window sees them: key messages with Windows' lParam bits,
// posted to the focused window, and WM_KILLFOCUS / WM_SETFOCUS.
#include "platform/sim/internal.h"

namespace novra {

namespace {

struct ScanCode {
    uint8_t code;   // set-1 make code, bits 16-23 of lParam
    bool extended;  // bit 24 of lParam
};

// The US keyboard's scan codes for the keys a driver can report.
ScanCode scan_code(uint8_t key) {
    static const char row_q[] = "QWERTYUIOP", row_a[] = "ASDFGHJKL", row_z[] = "ZXCVBNM";
    for (uint8_t i = 0; row_q[i]; ++i) {
        if (key == row_q[i]) return {uint8_t(0x10 + i), false};
    }
    for (uint8_t i = 0; row_a[i]; ++i) {
        if (key == row_a[i]) return {uint8_t(0x1E + i), false};
    }
    for (uint8_t i = 0; row_z[i]; ++i) {
        if (key == row_z[i]) return {uint8_t(0x2C + i), false};
    }
    if (key >= '1' && key <= '9') return {uint8_t(0x02 + key - '1'), false};
    if (key >= VK_F1 && key <= VK_F1 + 9) return {uint8_t(0x3B + key - VK_F1), false};
    static const uint8_t numpad[] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return {numpad[key - VK_NUMPAD0], false};
    switch (key) {
        case '0':
            return {0x0B, false};
        case VK_ESCAPE:
            return {0x01, false};
        case VK_OEM_MINUS:
            return {0x0C, false};
        case VK_OEM_PLUS:
            return {0x0D, false};
        case VK_BACK:
            return {0x0E, false};
        case VK_TAB:
            return {0x0F, false};
        case VK_OEM_4:
            return {0x1A, false};
        case VK_OEM_6:
            return {0x1B, false};
        case VK_RETURN:
            return {0x1C, false};
        case VK_LCONTROL:
            return {0x1D, false};
        case VK_RCONTROL:
            return {0x1D, true};
        case VK_OEM_1:
            return {0x27, false};
        case VK_OEM_7:
            return {0x28, false};
        case VK_OEM_3:
            return {0x29, false};
        case VK_LSHIFT:
            return {0x2A, false};
        case VK_OEM_5:
            return {0x2B, false};
        case VK_OEM_COMMA:
            return {0x33, false};
        case VK_OEM_PERIOD:
            return {0x34, false};
        case VK_OEM_2:
            return {0x35, false};
        case VK_RSHIFT:
            return {0x36, false};
        case VK_LMENU:
            return {0x38, false};
        case VK_RMENU:
            return {0x38, true};
        case VK_SPACE:
            return {0x39, false};
        case VK_CAPITAL:
            return {0x3A, false};
        case VK_F1 + 10:
            return {0x57, false};
        case VK_F12:
            return {0x58, false};
        case VK_HOME:
            return {0x47, true};
        case VK_UP:
            return {0x48, true};
        case VK_PRIOR:
            return {0x49, true};
        case VK_LEFT:
            return {0x4B, true};
        case VK_RIGHT:
            return {0x4D, true};
        case VK_END:
            return {0x4F, true};
        case VK_DOWN:
            return {0x50, true};
        case VK_NEXT:
            return {0x51, true};
        case VK_INSERT:
            return {0x52, true};
        case VK_DELETE:
            return {0x53, true};
        case VK_LWIN:
            return {0x5B, true};
        case VK_RWIN:
            return {0x5C, true};
        default:
            return {0, false};
    }
}

// Key messages carry the side-neutral code of Shift, Ctrl and Alt.
uint8_t message_key(uint8_t key) {
    switch (key) {
        case VK_LSHIFT:
        case VK_RSHIFT:
            return VK_SHIFT;
        case VK_LCONTROL:
        case VK_RCONTROL:
            return VK_CONTROL;
        case VK_LMENU:
        case VK_RMENU:
            return VK_MENU;
        default:
            return key;
    }
}

// Sets the physical state of one key; the side-neutral entry (VK_SHIFT) reads as held while either side
// is, as GetKeyState's does. Returns whether the key was down before.
bool key_state_set(uint8_t virtual_key, bool down) {
    uint8_t key = message_key(virtual_key);
    bool was_down = sim.keys_down[virtual_key];
    sim.keys_down[virtual_key] = down;
    if (key != virtual_key) {
        bool other_side = false;
        for (uint8_t side = VK_LSHIFT; side <= VK_RMENU; ++side) {
            if (side != virtual_key && message_key(side) == key)
                other_side = other_side || sim.keys_down[side];
        }
        sim.keys_down[key] = down || other_side;
    }
    return was_down;
}

}  // namespace

uint8_t key_scan_code(uint8_t virtual_key) {
    return scan_code(virtual_key).code;
}

void key_records(std::vector<INPUT_RECORD>& records, char16_t character, uint8_t virtual_key,
                 DWORD control_state) {
    for (BOOL down : {TRUE, FALSE}) {
        INPUT_RECORD record{};
        record.EventType = KEY_EVENT;
        record.Event.KeyEvent.bKeyDown = down;
        record.Event.KeyEvent.wRepeatCount = 1;
        record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
        record.Event.KeyEvent.wVirtualScanCode = key_scan_code(virtual_key);
        record.Event.KeyEvent.uChar.UnicodeChar = character;
        record.Event.KeyEvent.dwControlKeyState = control_state;
        records.push_back(record);
    }
}

void sim_key_released_elsewhere(uint8_t virtual_key) {
    key_state_set(virtual_key, false);
}

void sim_key(uint8_t virtual_key, bool down, bool repeat) {
    uint8_t key = message_key(virtual_key);
    // Bit 30 is the key's previous state: set for a press of a key already down, whatever the driver's
    // own repeat flag says.
    bool was_down = key_state_set(virtual_key, down);
    bool alt_held = sim.keys_down[VK_MENU] || (!down && key == VK_MENU);
    SimWindow& window = sim.window;
    if (!window.exists || !window.input_focused) return;

    ScanCode scan = scan_code(virtual_key);
    LPARAM lparam = 1 | (LPARAM(scan.code) << 16) | (LPARAM(scan.extended) << 24) | (LPARAM(alt_held) << 29);
    if (down && (repeat || was_down)) lparam |= LPARAM(1) << 30;
    if (!down) lparam |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    bool system_key = alt_held || key == VK_F10;
    UINT message = down ? (system_key ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system_key ? WM_SYSKEYUP : WM_KEYUP);
    sim.queue.push_back(MSG{window.handle, message, key, lparam, sim_milliseconds(), POINT{0, 0}});
}

void window_set_focus(bool focused) {
    SimWindow& window = sim.window;
    window.input_focused = focused;
    if (!window.exists || window.focused == focused) return;
    window.focused = focused;
    window_send(window.handle, focused ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
}

void sim_focus(bool focused) {
    SimWindow& window = sim.window;
    if (!window.exists) return;
    window.input_focused = focused;
    sim.queue.push_back(MSG{window.handle, queue_focus, WPARAM(focused), 0, sim_milliseconds(), POINT{0, 0}});
}

}  // namespace novra
