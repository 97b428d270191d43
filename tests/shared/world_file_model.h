// A model of `load`: the world a file gives, read the model's own way (std::from_chars for the numbers,
// the whole text split up front), or none when the file must be refused; and the check that the game's
// `load` agrees with it, the file served from memory. Shared by the world file tests and fuzz target; a
// mismatch throws std::logic_error naming it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace novra {

struct WorldModel {
    int64_t player_x, player_y;
    std::vector<std::vector<int64_t>> boxes;  // x, y, w, h, in the file's order
};

// The world `text` gives when the player is at (player_x, player_y) before it; none when refused.
std::optional<WorldModel> world_file_model(std::string_view text, int64_t player_x, int64_t player_y);

// Sets the game up afresh with a world of its own (the player moved, boxes added and one removed) and
// file entries that serve any name from memory.
void world_file_model_start();

// Loads `text` as a file: either the reply is one "loaded ..." line and the world is the model's, with
// new numbers in order, or it is one "load: ..." line and the world is as it was.
void world_file_model_load(std::string_view text);

}  // namespace novra
