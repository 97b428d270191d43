// The Game as the tests of files (world files, demos) set it up: no window, every reply kept, the Host's
// file entries; and a test's own reading and writing of whole files.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/game.h"
#include "host/host.h"

namespace novra {

inline std::vector<std::string> game_replies;  // since the last game_open_with_files or replies_to

inline void game_reply_kept(const char* line) {
    game_replies.push_back(line);
}

// game_reset, then game_setup with a table whose picture goes nowhere, whose replies go to game_replies
// and whose files are the Host's.
inline void game_open_with_files() {
    game_reset();
    PlatformTable table{[](int32_t, int32_t) {},
                        [](int32_t, int32_t, int32_t, int32_t, const uint32_t*) {},
                        game_reply_kept,
                        nullptr,
                        nullptr,
                        host_file_read,
                        host_file_replace};
    game_setup(table);
    game_replies.clear();
}

// The replies to `line` run through `run` (game_command, or game_typed_line as the console hands it on).
inline std::vector<std::string> replies_to(void (*run)(const char* line), const std::string& line) {
    game_replies.clear();
    run(line.c_str());
    return game_replies;
}

inline std::string file_text(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

inline void file_write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace novra
