#include "game/world_file.h"

#include <cstdio>
#include <cstring>

#include "game/command_line.h"
#include "game/world.h"

namespace novra {

namespace {

void problem_at(FileProblem& problem, int32_t line, const char* what) {
    problem.line = line;
    std::snprintf(problem.what, sizeof problem.what, "%s", what);
}

bool overlap(int64_t ax, int64_t ay, int64_t aw, int64_t ah, int64_t bx, int64_t by, int64_t bw, int64_t bh) {
    return ax < bx + bw && bx < ax + aw && ay < by + bh && by < ay + ah;
}

// The line's numbers after its command word: exactly `count`, each an int32.
bool line_numbers(const Words& words, int32_t count, int32_t* numbers) {
    if (words.count != count + 1) return false;
    for (int32_t i = 0; i < count; ++i)
        if (!parse_int32(words.word[i + 1], numbers[i])) return false;
    return true;
}

}  // namespace

FileLines file_lines(std::string_view text, int32_t limit) {
    constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
    if (text.substr(0, 3) == byte_order_mark) text.remove_prefix(3);
    return {text, 0, limit};
}

bool file_lines_next(FileLines& lines, std::string_view& line, FileProblem& problem) {
    if (lines.rest.empty()) return false;
    ++lines.number;
    const size_t end = lines.rest.find('\n');
    line = lines.rest.substr(0, end);
    lines.rest = end == std::string_view::npos ? std::string_view() : lines.rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > size_t(lines.limit)) {
        char what[64];
        std::snprintf(what, sizeof what, "longer than %d bytes", lines.limit);
        problem_at(problem, lines.number, what);
        lines.rest = {};
        return false;
    }
    if (line.find('\0') != std::string_view::npos) {
        problem_at(problem, lines.number, "holds a NUL byte");
        lines.rest = {};
        return false;
    }
    problem.line = 0;
    return true;
}

bool file_line_is_empty(std::string_view line) {
    const size_t first = line.find_first_not_of(' ');
    return first == std::string_view::npos || line[first] == '#';
}

bool world_file_parse(std::string_view text, int32_t current_x, int32_t current_y, WorldFile& world,
                      FileProblem& problem) {
    world = WorldFile{false, current_x, current_y, {}};
    problem.line = 0;
    FileLines lines = file_lines(text);
    std::string_view line;
    if (!file_lines_next(lines, line, problem) || line != world_file_header) {
        if (problem.line == 0) {
            char what[80];
            std::snprintf(what, sizeof what, "not a NOVRA world: the first line must be \"%.*s\"",
                          int(world_file_header.size()), world_file_header.data());
            problem_at(problem, 1, what);
        }
        return false;
    }
    for (;;) {
        if (!file_lines_next(lines, line, problem)) {
            if (problem.line != 0) return false;
            break;
        }
        if (file_line_is_empty(line)) continue;
        char copy[world_file_line_limit + 1];
        std::memcpy(copy, line.data(), line.size());
        copy[line.size()] = 0;
        const Words words = split(copy);
        int32_t n[4] = {};
        if (words.word[0] == "tp") {
            if (!line_numbers(words, 2, n)) {
                problem_at(problem, lines.number, "tp needs X Y, two int32 numbers");
                return false;
            }
            if (world.has_player) {
                problem_at(problem, lines.number, "a second tp");
                return false;
            }
            world.has_player = true;
            world.player_x = n[0];
            world.player_y = n[1];
        } else if (words.word[0] == "box") {
            if (!line_numbers(words, 4, n)) {
                problem_at(problem, lines.number, "box needs X Y W H, four int32 numbers");
                return false;
            }
            if (n[2] < 1 || n[3] < 1) {
                problem_at(problem, lines.number, "box: W and H must be at least 1");
                return false;
            }
            if (world.boxes.size() == size_t(world_file_box_limit)) {
                char what[64];
                std::snprintf(what, sizeof what, "more than %d boxes", world_file_box_limit);
                problem_at(problem, lines.number, what);
                return false;
            }
            world.boxes.push_back({n[0], n[1], n[2], n[3], lines.number});
        } else {
            problem_at(problem, lines.number, "not a world line: only tp X Y and box X Y W H belong here");
            return false;
        }
    }
    // Checked once the player's place is known: a tp may come after the boxes.
    for (const WorldFileBox& box : world.boxes) {
        if (overlap(box.x, box.y, box.w, box.h, world.player_x, world.player_y, player_size, player_size)) {
            problem.line = box.line;
            std::snprintf(problem.what, sizeof problem.what, "box %d %d %d %d overlaps the player at %d %d",
                          box.x, box.y, box.w, box.h, world.player_x, world.player_y);
            return false;
        }
    }
    return true;
}

void world_file_write_header(std::string& text, int32_t player_x, int32_t player_y) {
    char line[64];
    std::snprintf(line, sizeof line, "%.*s\ntp %d %d\n", int(world_file_header.size()),
                  world_file_header.data(), player_x, player_y);
    text += line;
}

void world_file_write_box(std::string& text, int32_t x, int32_t y, int32_t w, int32_t h) {
    char line[64];
    std::snprintf(line, sizeof line, "box %d %d %d %d\n", x, y, w, h);
    text += line;
}

}  // namespace novra
