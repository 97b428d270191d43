#include "tests/shared/world_file_model.h"

#include <charconv>
#include <stdexcept>
#include <string>

#include "ecs/ecs.h"
#include "game/box_table.h"
#include "game/commands.h"

namespace novra {
namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::logic_error("load differs from its model: " + what);
}

std::vector<std::string_view> pieces(std::string_view text, char separator) {
    std::vector<std::string_view> found;
    size_t at = 0;
    for (;;) {
        const size_t end = text.find(separator, at);
        found.push_back(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) return found;
        at = end + 1;
    }
}

bool number(std::string_view word, int64_t& value) {
    int32_t parsed = 0;
    if (word.empty() || word[0] == '+') return false;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), parsed);
    value = parsed;
    return error == std::errc() && end == word.data() + word.size();
}

std::string_view served;
std::vector<std::string> replies;

void serve(const char*, char* buffer, int64_t capacity, FileReply* reply) {
    *reply = FileReply{true, int64_t(served.size()), {}};
    if (reply->size <= capacity) served.copy(buffer, served.size());
}
void keep_reply(const char* line) {
    replies.emplace_back(line);
}
void no_size(int32_t, int32_t) {}
void no_present(int32_t, int32_t, int32_t, int32_t, const uint32_t*) {}

struct GameWorld {
    int64_t player_x, player_y;
    std::vector<std::vector<int64_t>> boxes;  // number, x, y, w, h
    int64_t next_number;
    bool operator==(const GameWorld&) const = default;
};

GameWorld game_world() {
    GameWorld world{game.player_x, game.player_y, {}, box_table.next_number};
    box_table_each([&](const BoxEntry& entry) {
        const BoxView box = box_view(entry);
        world.boxes.push_back({box.number, box.position.x, box.position.y, box.size.width, box.size.height});
        return true;
    });
    return world;
}

}  // namespace

std::optional<WorldModel> world_file_model(std::string_view text, int64_t player_x, int64_t player_y) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<std::string_view> lines = pieces(text, '\n');
    if (lines.back().empty()) lines.pop_back();  // the end of the last line, not a line of its own
    WorldModel world{player_x, player_y, {}};
    bool player_given = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > 256 || line.find('\0') != std::string_view::npos) return std::nullopt;
        if (i == 0) {
            if (line != "# NOVRA world 1") return std::nullopt;
            continue;
        }
        std::vector<std::string_view> words;
        for (std::string_view word : pieces(line, ' '))
            if (!word.empty()) words.push_back(word);
        if (words.empty() || words[0][0] == '#') continue;
        std::vector<int64_t> numbers(words.size() - 1);
        for (size_t w = 1; w < words.size(); ++w)
            if (!number(words[w], numbers[w - 1])) return std::nullopt;
        if (words[0] == "tp" && numbers.size() == 2 && !player_given) {
            player_given = true;
            world.player_x = numbers[0];
            world.player_y = numbers[1];
        } else if (words[0] == "box" && numbers.size() == 4 && numbers[2] >= 1 && numbers[3] >= 1) {
            world.boxes.push_back(numbers);
        } else {
            return std::nullopt;
        }
    }
    if (lines.empty() || world.boxes.size() > 100000) return std::nullopt;
    for (const std::vector<int64_t>& box : world.boxes) {
        if (box[0] < world.player_x + 12 && world.player_x < box[0] + box[2] &&
            box[1] < world.player_y + 12 && world.player_y < box[1] + box[3])
            return std::nullopt;
    }
    return world;
}

void world_file_model_start() {
    game_reset();
    PlatformTable table{no_size, no_present, keep_reply, nullptr, nullptr, serve, nullptr};
    game_setup(table);
    game_command("tp 100 100");
    game_command("box 200 20 10 10");
    game_command("box -50 -50 10 10");
    game_command("rm 2");
}

void world_file_model_load(std::string_view text) {
    const GameWorld before = game_world();
    const std::optional<WorldModel> expected = world_file_model(text, before.player_x, before.player_y);
    served = text;
    replies.clear();
    game_command("load F");
    if (replies.size() != 1) fail("not one reply");
    if (!expected) {
        if (replies[0].rfind("load: F:", 0) != 0) fail("a refused file answered " + replies[0]);
        if (game_world() != before) fail("a refused file changed the world");
        return;
    }
    const std::string loaded = "loaded the player and " + std::to_string(expected->boxes.size()) +
                               (expected->boxes.size() == 1 ? " box" : " boxes") + " from F";
    if (replies[0] != loaded) fail("a good file answered " + replies[0]);
    const GameWorld after = game_world();
    if (after.player_x != expected->player_x || after.player_y != expected->player_y) fail("the player");
    if (after.boxes.size() != expected->boxes.size()) fail("the box count");
    for (size_t i = 0; i < after.boxes.size(); ++i) {
        const std::vector<int64_t>& box = after.boxes[i];
        if (box[0] != before.next_number + int64_t(i)) fail("box numbers");
        if (std::vector<int64_t>(box.begin() + 1, box.end()) != expected->boxes[i]) fail("a box");
    }
    game_frame();  // the old boxes' removal carried out
    int64_t entities = 0;
    for (const Chunk* chunk = game.archetype->first_chunk; chunk != nullptr; chunk = chunk->next)
        entities += chunk->count;
    if (entities != int64_t(after.boxes.size())) fail("the store holds other boxes than the table");
}

}  // namespace novra
