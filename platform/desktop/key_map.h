// The desktop driver's keyboard: SDL scancodes (physical keys, US layout) to Windows virtual-key
// codes. Shift, Ctrl and Alt map to their left and right codes (VK_LSHIFT ...); the desktop turns
// those into the side-neutral code of the key messages.
#pragma once

#include <SDL2/SDL_scancode.h>

#include <cstdint>

namespace novra {

// The virtual-key code of `scancode`, or 0 for a key the layer does not map. With NumLock off the
// keypad's digit keys are the navigation keys printed under the digits, as on Windows: 4, 8, 6 and 2 the
// arrows, 7 and 1 Home and End, 9 and 3 Page Up and Page Down, 0 Insert and 5 Clear.
uint8_t key_map_virtual_key(SDL_Scancode scancode, bool num_lock);

}  // namespace novra
