#include "game/commands.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

#include "game/command_line.h"
#include "game/demo.h"
#include "game/replies.h"
#include "game/spawn.h"
#include "game/world_commands.h"
#include "render/framebuffer.h"

namespace novra {

namespace {

// ---- The world ----------------------------------------------------------------------------------

// Half-open boxes overlap when they share an area; touching faces do not count. 64-bit, so that a box
// at the far end of the int32 range cannot overflow its far edge.
bool overlap(int64_t ax, int64_t ay, int64_t aw, int64_t ah, int64_t bx, int64_t by, int64_t bw, int64_t bh) {
    return ax < bx + bw && bx < ax + aw && ay < by + bh && by < ay + ah;
}

// The lowest-numbered box overlapping (x, y, w, h), or 0.
int32_t box_overlapping(int32_t x, int32_t y, int32_t w, int32_t h) {
    int32_t found = 0;
    box_table_each([&](const BoxEntry& entry) {
        const BoxView box = box_view(entry);
        if (overlap(x, y, w, h, box.position.x, box.position.y, box.size.width, box.size.height)) {
            found = box.number;
            return false;
        }
        return true;
    });
    return found;
}

bool overlaps_player(int32_t x, int32_t y, int32_t w, int32_t h) {
    return overlap(x, y, w, h, game.player_x, game.player_y, player_size, player_size);
}

// ---- Commands -----------------------------------------------------------------------------------

struct Command {
    const char* name;
    const char* syntax;
    const char* what;
    int32_t least_numbers, most_numbers;  // every argument of every command is a number
    void (*run)(const Command& command, const int32_t* numbers, int32_t count);
};

void usage(const Command& command) {
    refuse("usage: %s", command.syntax);
}

void run_help(const Command&, const int32_t*, int32_t);

void run_pos(const Command&, const int32_t*, int32_t) {
    reply("player at %d %d", game.player_x, game.player_y);
}

void player_move(const char* name, int32_t x, int32_t y) {
    const int32_t box = box_overlapping(x, y, player_size, player_size);
    if (box != 0) {
        refuse("%s: %d %d overlaps box %d", name, x, y, box);
        return;
    }
    game.player_x = x;
    game.player_y = y;
    reply("player at %d %d", x, y);
}

void run_tp(const Command& command, const int32_t* n, int32_t) {
    player_move(command.name, n[0], n[1]);
}

void run_reset(const Command& command, const int32_t*, int32_t) {
    player_move(command.name, player_start_x, player_start_y);
}

void run_box(const Command& command, const int32_t* n, int32_t) {
    const int32_t x = n[0], y = n[1], w = n[2], h = n[3];
    if (w < 1 || h < 1) {
        refuse("%s: W and H must be at least 1", command.name);
        return;
    }
    if (overlaps_player(x, y, w, h)) {
        refuse("%s: %d %d %d %d overlaps the player", command.name, x, y, w, h);
        return;
    }
    int32_t number = 0;
    switch (box_create(x, y, w, h, number)) {
        case BoxMade::box:
            reply("box %d at %d %d %d %d", number, x, y, w, h);
            return;
        case BoxMade::no_numbers:
            refuse("%s: no box numbers left", command.name);
            return;
        case BoxMade::no_memory:
            refuse("%s: out of memory", command.name);
            return;
    }
}

void run_boxes(const Command&, const int32_t*, int32_t) {
    if (box_table.count == 0) {
        reply("no boxes");
        return;
    }
    int32_t listed = 0;
    box_table_each([&](const BoxEntry& entry) {
        const BoxView box = box_view(entry);
        reply("box %d at %d %d %d %d", box.number, box.position.x, box.position.y, box.size.width,
              box.size.height);
        return ++listed < boxes_listed_limit;
    });
    if (box_table.count > listed)
        reply("... and %lld more", static_cast<long long>(box_table.count - listed));
}

void run_rm(const Command& command, const int32_t* n, int32_t) {
    const BoxEntry* entry = box_table_find(n[0]);
    if (entry == nullptr) {
        refuse("%s: no box %d", command.name, n[0]);
        return;
    }
    // Queued first: a queue that cannot grow leaves the box in the world, and then in the table too.
    if (!entity_remove(entry->entity)) {
        refuse("%s: out of memory", command.name);
        return;
    }
    box_table_erase(n[0]);
    reply("removed box %d", n[0]);
}

void run_clear(const Command& command, const int32_t*, int32_t) {
    const int64_t removed = box_table.count;
    const int64_t queued = box_table_remove_below(INT64_MAX);
    if (queued < removed) {
        refuse("%s: out of memory after %lld boxes", command.name, static_cast<long long>(queued));
        return;
    }
    reply("removed %lld box%s", static_cast<long long>(removed), removed == 1 ? "" : "es");
}

void run_spawn(const Command& command, const int32_t* n, int32_t count) {
    const int32_t wanted = n[0];
    const int32_t seed = count > 1 ? n[1] : 1;
    if (wanted < 1 || wanted > spawn_count_limit) {
        refuse("%s: COUNT must be 1 to %d", command.name, spawn_count_limit);
        return;
    }
    if (box_table.next_number == 0) {
        refuse("%s: no box numbers left", command.name);
        return;
    }
    const Spawned spawned = spawn_boxes(wanted, seed);
    const int32_t placed = spawned.placed;
    if (placed == wanted)
        reply("spawned %d box%s (seed %d)", placed, placed == 1 ? "" : "es", seed);
    else
        reply("spawned %d of %d boxes (seed %d): %s", placed, wanted, seed, spawned.stopped);
}

void run_stats(const Command& command, const int32_t*, int32_t) {
    const auto boxes = static_cast<long long>(box_table.count);
    FrameStats stats{};
    if (game.platform.read_frame_stats != nullptr) game.platform.read_frame_stats(&stats);
    if (stats.passes <= 0) {
        reply("%s: no pass measured yet; boxes %lld", command.name, boxes);
        return;
    }
    reply(
        "frame work p50 %lld us p99 %lld us max %lld us; present p50 %lld us p99 %lld us max %lld us; "
        "pacing error p99 %lld us; late passes %d, re-anchored %d; boxes %lld",
        static_cast<long long>(stats.work_p50_us), static_cast<long long>(stats.work_p99_us),
        static_cast<long long>(stats.work_max_us), static_cast<long long>(stats.present_p50_us),
        static_cast<long long>(stats.present_p99_us), static_cast<long long>(stats.present_max_us),
        static_cast<long long>(stats.pacing_error_p99_us), stats.late_passes, stats.reanchored_passes, boxes);
}

void run_quit(const Command&, const int32_t*, int32_t) {
    reply("bye");
    if (game.platform.quit != nullptr) game.platform.quit();
}

constexpr Command commands[] = {
    {"help", "help", "lists the commands", 0, 0, run_help},
    {"pos", "pos", "shows where the player is", 0, 0, run_pos},
    {"tp", "tp X Y", "moves the player to (X, Y), unless it would overlap a box", 2, 2, run_tp},
    {"reset", "reset", "moves the player back to (60, 60), unless it would overlap a box", 0, 0, run_reset},
    {"box", "box X Y W H", "adds a solid box, W and H at least 1, unless it would overlap the player", 4, 4,
     run_box},
    {"boxes", "boxes", "lists the boxes, at most 20", 0, 0, run_boxes},
    {"rm", "rm N", "removes box N", 1, 1, run_rm},
    {"clear", "clear", "removes every box", 0, 0, run_clear},
    {"spawn", "spawn COUNT [SEED]",
     "adds COUNT (1 to 100000) boxes of 4 to 16 at free places in the picture, the same for the same SEED "
     "(default 1); fewer when the picture is full",
     1, 2, run_spawn},
    {"stats", "stats", "frame work, present, pacing and box count over the last 600 passes", 0, 0, run_stats},
    {"quit", "quit", "ends the program, as closing the window does", 0, 0, run_quit},
};

void run_help(const Command&, const int32_t*, int32_t) {
    for (const Command& command : commands)
        reply("%s: %s", command.syntax, command.what);
    world_commands_help();
    demo_commands_help();
}

}  // namespace

const char* game_command_name(int32_t index) {
    if (index < 0) return nullptr;
    if (index < int32_t(std::size(commands))) return commands[index].name;
    index -= int32_t(std::size(commands));
    if (const char* name = world_command_at(index)) return name;
    return demo_command_at(index);
}

void game_typed_line(const char* line) {
    if (line == nullptr || demo_typed_line(line)) return;
    game_command(line);
}

void game_command(const char* line) {
    if (line == nullptr) return;
    const Words words = split(line);
    if (words.count == 0) return;
    const std::string_view name = words.word[0];
    if (world_command(name, game_command) || demo_command(name, game_command)) return;
    for (const Command& command : commands) {
        if (name != command.name) continue;
        const int32_t count = words.count - 1;
        int32_t numbers[words_kept] = {};
        if (count < command.least_numbers || count > command.most_numbers) {
            usage(command);
            return;
        }
        for (int32_t i = 0; i < count; ++i) {
            if (!parse_int32(words.word[i + 1], numbers[i])) {
                usage(command);
                return;
            }
        }
        command.run(command, numbers, count);
        return;
    }
    char shown[40];
    printable_word(name, 32, shown);
    refuse("unknown command '%s' (type help)", shown);
}

}  // namespace novra
