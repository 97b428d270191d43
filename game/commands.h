// The Game's commands: lines typed into the debug console, run against the world while it runs.
//
// A line is words separated by spaces; leading and trailing spaces are ignored; command names are lower
// case. A number is a decimal int32 with an optional minus sign and nothing else. Every command answers
// through the PlatformTable's `log` with at least one line; a refused command answers with exactly one
// line and changes nothing. An empty line does nothing and answers nothing. `help` lists the commands.
#pragma once

#include <cstdint>

#include "game/box_table.h"
#include "game/game.h"

namespace novra {

constexpr int32_t boxes_listed_limit = 20;  // lines `boxes` lists before "... and K more"

// Runs one finished line (zero-terminated UTF-8) as a command. A null line does nothing.
void game_command(const char* line);

// The console's line handler: a line the user typed. A demo records it, or while one plays refuses it
// unless it only looks; then it runs as game_command runs it.
void game_typed_line(const char* line);

// The name of the command at `index` in the order `help` lists them (the file and demo commands too), or
// null past the last: what Tab completes.
const char* game_command_name(int32_t index);

}  // namespace novra
