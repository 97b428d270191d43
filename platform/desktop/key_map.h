// The desktop driver's keyboard: SDL scancodes (physical keys, US layout) to Windows virtual-key
// codes. Shift, Ctrl and Alt map to their left and right codes (VK_LSHIFT ...); the desktop turns
// those into the side-neutral code of the key messages.
#pragma once

#include <SDL2/SDL_scancode.h>

#include <cstdint>

namespace novra {

// The virtual-key code of `scancode`, or 0 for a key the layer does not map.
uint8_t key_map_virtual_key(SDL_Scancode scancode);

}  // namespace novra
