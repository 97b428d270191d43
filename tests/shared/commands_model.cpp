#include "tests/shared/commands_model.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <stdexcept>

#include "game/commands.h"
#include "render/framebuffer.h"

namespace novra {
namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::logic_error("command handler differs from its model: " + what);
}

std::vector<std::string> replies;
int quits = 0;

void keep_reply(const char* line) {
    replies.push_back(line);
}
void no_size(int32_t, int32_t) {}
void no_present(int32_t, int32_t, int32_t, int32_t, const uint32_t*) {}
void fixed_stats(FrameStats* stats) {
    *stats = FrameStats{600, 1, 2, 3, 4, 5, 6, 7, 8, 9};
}
void count_quit() {
    ++quits;
}

bool overlap(const ModelBox& a, const ModelBox& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

ModelBox player_box(const CommandsModel& model, int64_t x, int64_t y) {
    (void)model;
    return {x, y, 12, 12};
}

int32_t first_overlapping(const CommandsModel& model, const ModelBox& box) {
    for (const auto& [number, other] : model.boxes)
        if (overlap(box, other)) return number;
    return 0;
}

std::string text(const char* format, long long a = 0, long long b = 0, long long c = 0, long long d = 0,
                 long long e = 0) {
    char line[512];
    std::snprintf(line, sizeof line, format, a, b, c, d, e);
    return line;
}

std::vector<std::string_view> words_of(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        if (line[at] == ' ') {
            ++at;
            continue;
        }
        const size_t end = std::min(line.find(' ', at), line.size());
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

bool number_of(std::string_view word, int64_t& value) {
    int32_t parsed = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), parsed, 10);
    if (error != std::errc() || end != word.data() + word.size() || word.empty() || word[0] == '+')
        return false;
    value = parsed;
    return true;
}

std::vector<std::pair<int32_t, ModelBox>> game_boxes() {
    std::vector<std::pair<int32_t, ModelBox>> boxes;
    box_table_each([&](const BoxEntry& entry) {
        const BoxView view = box_view(entry);
        boxes.push_back({view.number, {view.position.x, view.position.y, view.size.width, view.size.height}});
        return true;
    });
    return boxes;
}

struct Syntax {
    const char* name;
    const char* usage;
    size_t least, most;
};
constexpr Syntax syntaxes[] = {
    {"help", "usage: help", 0, 0},
    {"pos", "usage: pos", 0, 0},
    {"tp", "usage: tp X Y", 2, 2},
    {"reset", "usage: reset", 0, 0},
    {"box", "usage: box X Y W H", 4, 4},
    {"boxes", "usage: boxes", 0, 0},
    {"rm", "usage: rm N", 1, 1},
    {"clear", "usage: clear", 0, 0},
    {"spawn", "usage: spawn COUNT [SEED]", 1, 2},
    {"stats", "usage: stats", 0, 0},
    {"quit", "usage: quit", 0, 0},
};

// What the model expects the handler to answer, updating the model. Spawn's new boxes are taken from
// the game after the check below; `spawn_check` is set for it.
std::vector<std::string> model_run(CommandsModel& model, std::string_view line, bool& spawn_check) {
    spawn_check = false;
    const std::vector<std::string_view> words = words_of(line);
    if (words.empty()) return {};
    // The model's game has no files: a file or demo command refuses, and takes the rest of the line as
    // FILE; so no demo ever records or plays.
    for (const char* file_command : {"save", "load", "exec", "record", "play", "timedemo"}) {
        if (words[0] != file_command) continue;
        if (words.size() == 1) return {"usage: " + std::string(file_command) + " FILE"};
        return {std::string(file_command) + ": files cannot be reached here"};
    }
    if (words[0] == "stop") return {words.size() == 1 ? "stop: no demo records or plays" : "usage: stop"};
    const Syntax* syntax = nullptr;
    for (const Syntax& s : syntaxes)
        if (words[0] == s.name) syntax = &s;
    if (syntax == nullptr) return {"(unknown)"};
    const size_t count = words.size() - 1;
    int64_t n[4] = {};
    if (count < syntax->least || count > syntax->most) return {syntax->usage};
    for (size_t i = 0; i < count; ++i)
        if (!number_of(words[i + 1], n[i])) return {syntax->usage};

    const std::string_view name = syntax->name;
    if (name == "help") return {"(help)"};
    if (name == "pos") return {text("player at %lld %lld", model.player_x, model.player_y)};
    if (name == "tp" || name == "reset") {
        const int64_t x = name == "tp" ? n[0] : 60, y = name == "tp" ? n[1] : 60;
        if (const int32_t box = first_overlapping(model, player_box(model, x, y)))
            return {std::string(name) + text(": %lld %lld overlaps box %lld", x, y, box)};
        model.player_x = x;
        model.player_y = y;
        return {text("player at %lld %lld", x, y)};
    }
    if (name == "box") {
        const ModelBox box{n[0], n[1], n[2], n[3]};
        if (box.w < 1 || box.h < 1) return {"box: W and H must be at least 1"};
        if (overlap(box, player_box(model, model.player_x, model.player_y)))
            return {text("box: %lld %lld %lld %lld overlaps the player", box.x, box.y, box.w, box.h)};
        const int64_t number = model.next_number++;
        model.boxes[int32_t(number)] = box;
        return {text("box %lld at %lld %lld %lld %lld", number, box.x, box.y, box.w, box.h)};
    }
    if (name == "boxes") {
        if (model.boxes.empty()) return {"no boxes"};
        std::vector<std::string> lines;
        for (const auto& [number, box] : model.boxes) {
            if (lines.size() == 20) break;
            lines.push_back(text("box %lld at %lld %lld %lld %lld", number, box.x, box.y, box.w, box.h));
        }
        if (model.boxes.size() > 20)
            lines.push_back(text("... and %lld more", (long long)model.boxes.size() - 20));
        return lines;
    }
    if (name == "rm") {
        if (model.boxes.erase(int32_t(n[0])) == 0) return {text("rm: no box %lld", n[0])};
        return {text("removed box %lld", n[0])};
    }
    if (name == "clear") {
        const auto removed = (long long)model.boxes.size();
        model.boxes.clear();
        return {text(removed == 1 ? "removed %lld box" : "removed %lld boxes", removed)};
    }
    if (name == "spawn") {
        if (n[0] < 1 || n[0] > 100000) return {"spawn: COUNT must be 1 to 100000"};
        spawn_check = true;
        return {"(spawn)"};
    }
    if (name == "stats")
        return {
            text("frame work p50 1 us p99 2 us max 3 us; present p50 7 us p99 8 us max 9 us; pacing error "
                 "p99 4 us; late passes 5, re-anchored 6; boxes %lld",
                 (long long)model.boxes.size())};
    return {"bye"};  // quit
}

// Spawn's answer and boxes: "spawned K box(es) (seed S)" or "spawned K of N boxes (seed S): the picture is
// full"; K new boxes with the next numbers, each placed as promised.
void check_spawn(CommandsModel& model, std::string_view line, const std::vector<std::string>& got) {
    const std::vector<std::string_view> words = words_of(line);
    int64_t wanted = 0, seed = 1;
    number_of(words[1], wanted);
    if (words.size() > 2) number_of(words[2], seed);
    if (got.size() != 1) fail("spawn answered more or less than one line");
    long long placed = -1;
    const std::string all = text(wanted == 1 ? "spawned 1 box (seed %lld)" : "spawned %lld boxes (seed %lld)",
                                 wanted == 1 ? seed : wanted, seed);
    if (got[0] == all)
        placed = wanted;
    else if (std::sscanf(got[0].c_str(), "spawned %lld of", &placed) != 1 ||
             got[0] !=
                 text("spawned %lld of %lld boxes (seed %lld): the picture is full", placed, wanted, seed) ||
             placed >= wanted)
        fail("spawn's answer: " + got[0]);
    const std::vector<std::pair<int32_t, ModelBox>> boxes = game_boxes();
    if (boxes.size() != model.boxes.size() + size_t(placed)) fail("spawned boxes not as many as it says");
    for (const auto& [number, box] : boxes) {
        if (number < model.next_number) continue;
        if (number != model.next_number) fail("spawned box numbers not in order");
        if (box.w < 4 || box.w > 16 || box.h < 4 || box.h > 16) fail("spawned box size");
        if (box.x < 0 || box.y < 0 || box.x + box.w > 256 || box.y + box.h > 192) fail("spawned box outside");
        if (overlap(box, player_box(model, model.player_x, model.player_y)))
            fail("spawned box on the player");
        if (first_overlapping(model, box) != 0) fail("spawned box overlaps another");
        model.boxes[number] = box;
        ++model.next_number;
    }
}

void check_world(const CommandsModel& model) {
    if (game.player_x != model.player_x || game.player_y != model.player_y) fail("player position");
    const std::vector<std::pair<int32_t, ModelBox>> boxes = game_boxes();
    if (boxes.size() != model.boxes.size() || box_table.count != int64_t(model.boxes.size()))
        fail("box count");
    auto expected = model.boxes.begin();
    for (const auto& [number, box] : boxes) {
        const auto& [model_number, model_box] = *expected++;
        if (number != model_number || box.x != model_box.x || box.y != model_box.y || box.w != model_box.w ||
            box.h != model_box.h)
            fail(text("box %lld", number));
    }
    if (box_table.next_number != model.next_number) fail("next box number");
}

int64_t entities_now() {
    int64_t rows = 0;
    for (const Chunk* chunk = game.archetype->first_chunk; chunk != nullptr; chunk = chunk->next)
        rows += chunk->count;
    return rows;
}

}  // namespace

void commands_model_start() {
    game_reset();
    key_table = KeyTable{};
    quits = 0;
    PlatformTable table{no_size, no_present, keep_reply, fixed_stats, count_quit};
    game_setup(table);
}

std::vector<std::string> commands_model_line(CommandsModel& model, const std::string& line) {
    bool spawn = false;
    const int quits_before = quits;
    const std::vector<std::string> expected = model_run(model, line, spawn);
    replies.clear();
    game_command(line.c_str());
    if (spawn) {
        check_spawn(model, line, replies);
    } else if (expected == std::vector<std::string>{"(unknown)"}) {
        if (replies.size() != 1 || replies[0].rfind("unknown command '", 0) != 0)
            fail("unknown command's answer");
    } else if (expected == std::vector<std::string>{"(help)"}) {
        if (replies.size() != std::size(syntaxes) + 7) fail("help's lines");
    } else if (replies != expected) {
        fail("answer to '" + line + "': " + (replies.empty() ? std::string("nothing") : replies[0]) +
             " instead of " + (expected.empty() ? std::string("nothing") : expected[0]));
    }
    if (quits != quits_before + (expected == std::vector<std::string>{"bye"} ? 1 : 0)) fail("quit");
    check_world(model);
    return replies;
}

void commands_model_frame(const CommandsModel& model) {
    game_frame();
    if (entities_now() != int64_t(model.boxes.size())) fail("entities after the frame");
}

}  // namespace novra
