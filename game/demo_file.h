// Demo files: a play-through as text, with the checksum of every pass's picture, so that a replay
// proves itself on any build.
//
//   # NOVRA demo 1
//   tp 60 60
//   next box 3
//   box 2 at 100 40 8 8
//   box 1 at 30 30 30 30
//   keys 1 R
//   5b0e54b3c1f9a2d7
//   typed 1 spawn 20 7
//   keys 2 RU
//   c7d1a0442e9f1b38
//   end 2
//
// The header, then the world at the start: the player, the number the next box gets and every box with
// its number, in the order the entity store keeps them (the order the collision test meets them in, on
// which its ties depend). Then the passes in order: pass P is a `keys P` line when the arrow keys held
// change (letters of L U R D, or - for none; no line before pass 1 means none), the checksum of its
// picture (16 hex digits), and a `typed P` line for each line the console took in that pass (`typed 0`:
// typed in the pass that started the recording, after `record`). `end N` closes the file after N passes.
// Typed text keeps its bytes, except that control bytes and '\' are written as \xNN.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/key_table.h"
#include "game/world_file.h"

namespace novra {

constexpr std::string_view demo_file_header = "# NOVRA demo 1";
// A typed line of the console's 256 code units, each escaped, fits with its `typed P ` prefix.
constexpr int32_t demo_file_line_limit = 1100;

struct DemoBox {
    int32_t number, x, y, w, h;
};

struct DemoKeys {
    int32_t pass;    // from this pass on, until the next change
    uint8_t arrows;  // arrow_* bits
};

struct DemoTyped {
    int32_t pass;  // the pass whose console poll took it; 0 before the first
    std::string line;
};

struct Demo {
    int32_t player_x, player_y;
    int32_t next_number;              // the number the next box gets; 0 once every number is used
    std::vector<DemoBox> boxes;       // in the store's order
    std::vector<DemoKeys> keys;       // in pass order, each pass at most once
    std::vector<DemoTyped> typed;     // in pass order, as typed
    std::vector<uint64_t> checksums;  // pass P's at P - 1
};

// Reads a demo file whole. Returns false, with `problem` naming the line, when the header is not this
// version's, a line is not one of the kinds above or out of its place (a pass number other than the
// pass it stands at, a world line among the passes), a number is not an int32, a box has no size, no
// valid number or one given twice, or `end` is missing or not the last line.
bool demo_parse(std::string_view text, Demo& demo, FileProblem& problem);

// The demo as its file, appended to `text`.
void demo_write(std::string& text, const Demo& demo);

// Bytes demo_write spends on a pass's keys line, checksum line and one typed line, so a recording can
// keep count of the size its file will have.
constexpr int64_t demo_checksum_line_bytes = 17;
int64_t demo_keys_line_bytes(int32_t pass);
int64_t demo_typed_line_bytes(int32_t pass, std::string_view line);

}  // namespace novra
