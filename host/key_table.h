// The Host's keyboard table: which keys are held and the client size last read. Portable, so the Game
// can read it without seeing a platform type.
#pragma once

#include <cstdint>

namespace novra {

struct KeyTable {
    int32_t keys[256];      // indexed by Windows virtual-key code; 1 while held, 0 otherwise
    int32_t client_width;   // client area in pixels, as last read
    int32_t client_height;
};

// The Host's one KeyTable, zero before the entry runs; written by window_proc and host_main.
extern KeyTable key_table;

}  // namespace novra
