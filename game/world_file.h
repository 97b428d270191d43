// World files: the world as a file of the console's own commands, which a user can read, diff and edit.
//
//   # NOVRA world 1
//   tp 60 60
//   box 30 30 30 30
//
// UTF-8 text, one command a line: the header line first, then at most one `tp X Y` (the player's
// position; without one the player stays where it is) and a `box X Y W H` per box. Blank lines and
// lines whose first non-space character is '#' are ignored; a UTF-8 byte order mark, CRLF line ends and
// a last line without its newline are accepted. The same lines are what `exec` runs one by one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace novra {

constexpr int64_t world_file_size_limit = int64_t{8} << 20;  // bytes; a larger file is not read
constexpr int32_t world_file_box_limit = 100000;
constexpr int32_t world_file_line_limit = 256;  // bytes of one line, its line end not counted
constexpr std::string_view world_file_header = "# NOVRA world 1";

struct WorldFileBox {
    int32_t x, y, w, h;
    int32_t line;  // where the file gives it, for the reply that refuses it
};

// A world file's contents, checked line by line.
struct WorldFile {
    bool has_player;  // a `tp` line was given
    int32_t player_x, player_y;
    std::vector<WorldFileBox> boxes;  // in the file's order
};

// Why a file was refused: the line (0 when the whole file is meant) and what is wrong with it.
struct FileProblem {
    int32_t line;
    char what[160];
};

// Walks a file's lines: skips a leading byte order mark, strips CR before LF, and refuses a line that
// holds a NUL byte or is longer than `limit` bytes.
struct FileLines {
    std::string_view rest;  // what is left of the file
    int32_t number;         // number of the line last taken
    int32_t limit;          // bytes a line may hold, its line end not counted
};
FileLines file_lines(std::string_view text, int32_t limit = world_file_line_limit);

// Takes the next line into `line`. Returns false at the end of the file, or with `problem` filled when
// the line is refused (the walk then stops there).
bool file_lines_next(FileLines& lines, std::string_view& line, FileProblem& problem);

// True for a line that holds no command: blank, or a comment.
bool file_line_is_empty(std::string_view line);

// Reads a world file whole. Returns false, with `problem` filled and `world` unspecified, when a line is
// not one of the three kinds, a number is not an int32, W or H is below 1, `tp` comes twice, there are
// more than world_file_box_limit boxes, or a box overlaps the player's position (the file's, or
// (current_x, current_y) when it gives none).
bool world_file_parse(std::string_view text, int32_t current_x, int32_t current_y, WorldFile& world,
                      FileProblem& problem);

// The world file of the player at (player_x, player_y) and the boxes, in the order given, appended to
// `text`.
void world_file_write_header(std::string& text, int32_t player_x, int32_t player_y);
void world_file_write_box(std::string& text, int32_t x, int32_t y, int32_t w, int32_t h);

}  // namespace novra
