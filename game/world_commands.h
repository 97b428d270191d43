// The commands that reach files: `save FILE`, `load FILE` and `exec FILE` (docs/world_files.md). FILE is
// the rest of the line, so a name may hold spaces. Without the PlatformTable's file entries each of
// them refuses.
#pragma once

#include <cstdint>
#include <string_view>

namespace novra {

// Runs the line whose first word is `name` (a view into the zero-terminated line) when it names one of
// the three, answering as every command does; `run_line` is the handler exec runs each file line with.
// Returns false, doing nothing, for any other name.
bool world_command(std::string_view name, void (*run_line)(const char* line));

// The name of the command at `index` (from 0) of the three, or null with `index` moved past them.
const char* world_command_at(int32_t& index);

// Replies help's line for each of the three.
void world_commands_help();

}  // namespace novra
