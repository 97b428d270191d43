#include "game/world_commands.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string>

#include "game/box_table.h"
#include "game/command_line.h"
#include "game/demo.h"
#include "game/file_text.h"
#include "game/game.h"
#include "game/replies.h"
#include "game/world_file.h"

namespace novra {

namespace {

// How exec runs a line: the command handler, as world_command was given it.
void (*game_command_run)(const char* line);

struct FileCommand {
    const char* name;
    const char* syntax;
    const char* what;
    void (*run)(const FileCommand& command, const char* file, const char* shown);
};

void run_save(const FileCommand& command, const char* file, const char* shown) {
    if (game.platform.file_replace == nullptr) {
        refuse("%s: files cannot be reached here", command.name);
        return;
    }
    // A file that load would refuse is not written at all.
    if (box_table.count > world_file_box_limit) {
        refuse("%s: %s: more than %d boxes, which load refuses", command.name, shown, world_file_box_limit);
        return;
    }
    std::string text;
    text.reserve(size_t(64 + box_table.count * 56));
    world_file_write_header(text, game.player_x, game.player_y);
    box_table_each([&](const BoxEntry& entry) {
        const BoxView box = box_view(entry);
        world_file_write_box(text, box.position.x, box.position.y, box.size.width, box.size.height);
        return true;
    });
    FileReply result{};
    game.platform.file_replace(file, text.data(), int64_t(text.size()), &result);
    if (!result.ok) {
        refuse("%s: %s: %s", command.name, shown, result.reason);
        return;
    }
    const auto boxes = static_cast<long long>(box_table.count);
    reply("saved the player and %lld box%s to %s", boxes, boxes == 1 ? "" : "es", shown);
}

// Puts the file's world in place of the current one. The new boxes are made first, after every old
// one, so that a failure there can be undone; the old ones then go as `clear` removes them. Returns
// null, or what went wrong.
const char* world_replace(const WorldFile& world) {
    const int64_t first = box_table.next_number;
    const auto wanted = int64_t(world.boxes.size());
    if (wanted > 0 && (first == 0 || first + wanted - 1 > INT32_MAX)) return "no box numbers left";
    int64_t made = 0;
    for (const WorldFileBox& box : world.boxes) {
        int32_t number = 0;
        if (box_create(box.x, box.y, box.w, box.h, number) != BoxMade::box) break;
        ++made;
    }
    if (made < wanted) {
        for (int64_t i = made; i-- > 0;) {
            const auto number = int32_t(first + i);
            entity_remove(box_table_find(number)->entity);
            box_table_erase(number);
        }
        return "out of memory";
    }
    // The old boxes are those numbered before the first new one; with no new box, every box (the numbers
    // may be used up, leaving `first` 0).
    const int64_t old = box_table.count - wanted;
    if (box_table_remove_below(wanted == 0 ? INT64_MAX : first) < old)
        return "out of memory while removing the old boxes";
    game.player_x = world.player_x;
    game.player_y = world.player_y;
    return nullptr;
}

// Reads FILE whole, or refuses as `command` with the reason.
bool file_text(const FileCommand& command, const char* file, const char* shown, FileText& text) {
    char why[file_text_reason_size];
    if (file_text_read(file, shown, text, why)) return true;
    refuse("%s: %s", command.name, why);
    return false;
}

void run_load(const FileCommand& command, const char* file, const char* shown) {
    FileText text;
    if (!file_text(command, file, shown, text)) return;
    WorldFile world;
    FileProblem problem{};
    if (!world_file_parse(text.text, game.player_x, game.player_y, world, problem)) {
        refuse("%s: %s:%d: %s", command.name, shown, problem.line, problem.what);
        return;
    }
    if (const char* failure = world_replace(world)) {
        refuse("%s: %s: %s", command.name, shown, failure);
        return;
    }
    const auto boxes = static_cast<long long>(world.boxes.size());
    reply("loaded the player and %lld box%s from %s", boxes, boxes == 1 ? "" : "es", shown);
}

void run_exec(const FileCommand& command, const char* file, const char* shown) {
    FileText text;
    if (!file_text(command, file, shown, text)) return;
    FileLines lines = file_lines(text.text);
    std::string_view line;
    FileProblem problem{};
    int64_t ran = 0;
    while (file_lines_next(lines, line, problem)) {
        if (file_line_is_empty(line)) continue;
        char copy[world_file_line_limit + 1];
        std::memcpy(copy, line.data(), line.size());
        copy[line.size()] = 0;
        const std::string_view name = split(copy).word[0];
        // A demo started from a file would miss the file's later lines, which run untyped.
        if (name == "quit" || name == "exec" || name == "load" || demo_command_name(name)) {
            refuse("%s: %s:%d: %.*s is not run from a file", command.name, shown, lines.number,
                   int(name.size()), name.data());
            return;
        }
        std::snprintf(command_replies.refusal_prefix, sizeof command_replies.refusal_prefix,
                      "%s: %s:%d: ", command.name, shown, lines.number);
        command_replies.refused = false;
        game_command_run(copy);
        command_replies.refusal_prefix[0] = 0;
        if (command_replies.refused) return;
        ++ran;
    }
    if (problem.line != 0) {
        refuse("%s: %s:%d: %s", command.name, shown, problem.line, problem.what);
        return;
    }
    reply("ran %lld command%s from %s", static_cast<long long>(ran), ran == 1 ? "" : "s", shown);
}

constexpr FileCommand file_commands[] = {
    {"save", "save FILE", "writes the player's position and every box to FILE, replacing it whole", run_save},
    {"load", "load FILE",
     "replaces the player's position and every box with FILE's, or changes nothing when FILE is refused",
     run_load},
    {"exec", "exec FILE",
     "runs each line of FILE as a command (not quit, exec, load or a demo command); stops at the first "
     "refusal",
     run_exec},
};

}  // namespace

bool world_command(std::string_view name, void (*run_line)(const char* line)) {
    for (const FileCommand& command : file_commands) {
        if (name != command.name) continue;
        if (demo_refuses(name)) return true;
        const std::string_view file = line_rest(name);
        if (file.empty()) {
            refuse("usage: %s", command.syntax);
            return true;
        }
        char shown[104];
        printable_word(file, 100, shown);
        game_command_run = run_line;
        command.run(command, std::string(file).c_str(), shown);
        return true;
    }
    return false;
}

const char* world_command_at(int32_t& index) {
    if (index < int32_t(std::size(file_commands))) return file_commands[index].name;
    index -= int32_t(std::size(file_commands));
    return nullptr;
}

void world_commands_help() {
    for (const FileCommand& command : file_commands)
        reply("%s: %s", command.syntax, command.what);
}

}  // namespace novra
