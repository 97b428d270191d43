// A model of the Game's command handler: the player's position and the boxes by number, each line read
// the model's own way (std::from_chars for the numbers) into the answer it must get; and the checks that
// the game agrees with it after a line and after a frame. Spawned boxes cannot be predicted, so they are
// checked instead: as many as the answer says, new numbers in order, in the picture, 4 to 16 on a side,
// overlapping neither the player nor any box. Shared by the commands' property test and fuzz target; a
// mismatch throws std::logic_error naming it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace novra {

struct ModelBox {
    int64_t x, y, w, h;
};

struct CommandsModel {
    int64_t player_x = 60, player_y = 60;
    std::map<int32_t, ModelBox> boxes{{1, {30, 30, 30, 30}}};  // the world game_setup builds
    int64_t next_number = 2;
};

// Sets the game up afresh (game_reset, then game_setup with a table that keeps the replies), as the
// model starts.
void commands_model_start();

// Runs one line through the game's handler and checks its answer against the model's, updating the
// model; the replies are returned.
std::vector<std::string> commands_model_line(CommandsModel& model, const std::string& line);

// Runs one frame and checks that the store holds exactly the model's boxes.
void commands_model_frame(const CommandsModel& model);

}  // namespace novra
