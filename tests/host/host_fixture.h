// Runs the real program on the scripted desktop from a fresh start: every program-wide record the Host,
// the console and the Game keep back at its initial value, as in a new process.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "game/game.h"
#include "game/world.h"
#include "host/host.h"
#include "platform/scripted/scripted.h"

namespace novra {

inline HINSTANCE test_instance() {
    return reinterpret_cast<HINSTANCE>(uintptr_t(0x400000));
}

inline void program_reset(const ScriptedConfig& config = {}) {
    scripted_start(config);
    host_reset();
    console_reset();
    game_reset();
}

// The calls whose names start with one of `names`, in order.
inline std::vector<std::string> calls_named(std::initializer_list<std::string_view> names) {
    std::vector<std::string> found;
    for (const std::string& call : scripted_calls()) {
        const std::string_view name = std::string_view(call).substr(0, call.find(' '));
        if (std::find(names.begin(), names.end(), name) != names.end()) found.push_back(call);
    }
    return found;
}

// The console's rows that hold anything, top to bottom.
inline std::vector<std::string> console_rows() {
    std::vector<std::string> rows;
    for (int16_t row = 0; row < scripted_console().height; ++row) {
        std::string line = scripted_console_line(row);
        if (!line.empty()) rows.push_back(line);
    }
    return rows;
}

inline int count_calls(std::string_view name) {
    return int(calls_named({name}).size());
}

}  // namespace novra
