// The keyboard table the Host keeps and the Game reads: which keys are held and the client size last
// read. Portable, so the Game reads it without seeing a platform type.
#pragma once

#include <cstdint>

namespace novra {

// The Windows virtual-key codes the Game reads.
constexpr int32_t vk_left = 0x25;
constexpr int32_t vk_up = 0x26;
constexpr int32_t vk_right = 0x27;
constexpr int32_t vk_down = 0x28;

// The arrow keys one pass reads, as the bits a demo records them by.
constexpr uint8_t arrow_left = 1, arrow_up = 2, arrow_right = 4, arrow_down = 8;

struct KeyTable {
    int32_t keys[256];     // indexed by Windows virtual-key code; 1 while held, 0 otherwise
    int32_t client_width;  // client area in pixels, as last read
    int32_t client_height;
};

// The Host's one KeyTable, zero before the entry runs; written by window_proc and the Host's opening.
extern KeyTable key_table;

}  // namespace novra
