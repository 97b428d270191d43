// The debug console opened on a fresh scripted desktop as the Host opens it at startup (the handles and
// the buffer's size and anchor read back), without the title, the banner or the Host's other records.
#pragma once

#include "console/console.h"
#include "platform/scripted/scripted.h"

namespace novra {

inline void open_scripted_console(const ScriptedConfig& config) {
    scripted_start(config);
    console_reset();
    AllocConsole();
    console_state.output = GetStdHandle(STD_OUTPUT_HANDLE);
    console_state.input = GetStdHandle(STD_INPUT_HANDLE);
    GetConsoleScreenBufferInfo(console_state.output, &console_state.info);
}

}  // namespace novra
