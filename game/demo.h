// Demos (docs/demos.md): `record FILE` records each pass's arrow keys, the lines typed and the checksum
// of the picture; `play FILE` puts the world back as it was at the start and plays the passes again at
// the Host's pace, comparing every picture; `timedemo FILE` plays as fast as the machine goes; `stop`
// ends a recording (writing FILE) or a playback. While a demo plays its keys and lines take the place of
// the live ones, at the same points of the pass, so the passes are the recorded ones exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace novra {

// Runs the line whose first word is `name` (a view into the zero-terminated line) when it names one of
// the four commands, answering as every command does; a demo's typed lines run through `run_line`.
// Returns false, doing nothing, for any other name.
bool demo_command(std::string_view name, void (*run_line)(const char* line));

// Whether `name` is one of the four.
bool demo_command_name(std::string_view name);

// The name of the command at `index` (from 0) of the four, or null with `index` moved past them.
const char* demo_command_at(int32_t& index);

// Replies help's line for each of the four.
void demo_commands_help();

// For game_typed_line: records the line while a demo records. While one plays, refuses every line but
// the ones that only look or end something (stop, help, pos, boxes, stats, quit) and returns true: the
// line must not run.
bool demo_typed_line(const char* line);

// For the commands that reach files (save, load, exec): refuses `name` and returns true while a demo
// records or plays, as what they read or write is not in the demo.
bool demo_refuses(std::string_view name);

// For game_frame. When a demo plays: runs the lines typed in the demo's previous pass, the pass with the
// demo's keys, and compares its picture; returns true. Returns false, running nothing, when none plays
// (or the last pass has been played): the pass is then the live one.
bool demo_play_pass();

// For game_frame, after a live pass: records its keys and picture while a demo records.
void demo_record_pass(uint8_t arrows);

// What a demo played to its end, or as far as its first differing picture, found.
enum class DemoVerdict { matched, differs, refused };

// Plays FILE as timedemo does, its replies unshown and its typed lines run through `run_line`, for
// `novra --verify FILE`: the Game must be set up. `line` receives the result line (the refusal when FILE
// cannot be read or is not a demo).
DemoVerdict demo_verify(const char* file, void (*run_line)(const char* line), char* line, size_t capacity);

// The run ends (quit, the window closed, the page left): a recording is written, as stop writes it.
void demo_close();

// No demo records or plays; the recording's blocks are kept. Part of game_reset.
void demo_reset();

}  // namespace novra
