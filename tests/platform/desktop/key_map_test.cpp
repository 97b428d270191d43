// SDL scancodes to virtual-key codes, for every group of keys the game and console rely on.
#include <gtest/gtest.h>

#include "platform/desktop/key_map.h"
#include "platform/win32.h"

namespace novra {
namespace {

TEST(KeyMap, MapsEachGroupOfKeysToItsVirtualKeyCode) {
    struct Case {
        SDL_Scancode scancode;
        int virtual_key;
        bool num_lock = true;
    };
    const Case cases[] = {
        {SDL_SCANCODE_LEFT, VK_LEFT},
        {SDL_SCANCODE_UP, VK_UP},
        {SDL_SCANCODE_RIGHT, VK_RIGHT},
        {SDL_SCANCODE_DOWN, VK_DOWN},
        {SDL_SCANCODE_A, 'A'},
        {SDL_SCANCODE_Z, 'Z'},
        {SDL_SCANCODE_1, '1'},
        {SDL_SCANCODE_9, '9'},
        {SDL_SCANCODE_0, '0'},
        {SDL_SCANCODE_F1, VK_F1},
        {SDL_SCANCODE_F4, VK_F4},
        {SDL_SCANCODE_F10, VK_F10},
        {SDL_SCANCODE_F12, VK_F12},
        {SDL_SCANCODE_ESCAPE, VK_ESCAPE},
        {SDL_SCANCODE_RETURN, VK_RETURN},
        {SDL_SCANCODE_SPACE, VK_SPACE},
        {SDL_SCANCODE_BACKSPACE, VK_BACK},
        {SDL_SCANCODE_TAB, VK_TAB},
        {SDL_SCANCODE_LSHIFT, VK_LSHIFT},
        {SDL_SCANCODE_RSHIFT, VK_RSHIFT},
        {SDL_SCANCODE_LCTRL, VK_LCONTROL},
        {SDL_SCANCODE_RCTRL, VK_RCONTROL},
        {SDL_SCANCODE_LALT, VK_LMENU},
        {SDL_SCANCODE_RALT, VK_RMENU},
        {SDL_SCANCODE_KP_0, VK_NUMPAD0},
        {SDL_SCANCODE_KP_9, VK_NUMPAD0 + 9},
        {SDL_SCANCODE_KP_4, VK_NUMPAD0 + 4},
        {SDL_SCANCODE_KP_ENTER, VK_RETURN, false},
        // NumLock off: the keypad's digits are the keys printed under them, the arrows among them.
        {SDL_SCANCODE_KP_4, VK_LEFT, false},
        {SDL_SCANCODE_KP_8, VK_UP, false},
        {SDL_SCANCODE_KP_6, VK_RIGHT, false},
        {SDL_SCANCODE_KP_2, VK_DOWN, false},
        {SDL_SCANCODE_KP_7, VK_HOME, false},
        {SDL_SCANCODE_KP_9, VK_PRIOR, false},
        {SDL_SCANCODE_KP_1, VK_END, false},
        {SDL_SCANCODE_KP_3, VK_NEXT, false},
        {SDL_SCANCODE_KP_5, VK_CLEAR, false},
        {SDL_SCANCODE_KP_0, VK_INSERT, false},
        {SDL_SCANCODE_LEFT, VK_LEFT, false},
        {SDL_SCANCODE_UNKNOWN, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(key_map_virtual_key(c.scancode, c.num_lock), c.virtual_key)
            << "scancode " << int(c.scancode) << (c.num_lock ? "" : " without NumLock");
}

TEST(KeyMap, DistinctKeysNeverShareACode) {
    bool used[256] = {};
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        if (scancode == SDL_SCANCODE_KP_ENTER) continue;  // Enter on the keypad is VK_RETURN too
        uint8_t key = key_map_virtual_key(SDL_Scancode(scancode), true);
        if (key == 0) continue;
        EXPECT_FALSE(used[key]) << "virtual key " << int(key) << " twice";
        used[key] = true;
    }
}

}  // namespace
}  // namespace novra
