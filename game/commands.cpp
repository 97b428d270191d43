#include "game/commands.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

#include "ecs/store.h"
#include "game/command_line.h"
#include "render/framebuffer.h"

namespace novra {

namespace {

// ---- Replies ------------------------------------------------------------------------------------

void reply(const char* format, ...) {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (game_platform.log != nullptr) game_platform.log(line);
}

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
    return overlap(x, y, w, h, player_x, player_y, player_size, player_size);
}

// Queues the entity's removal; false when the queue could not grow (its top did not move).
bool removal_queued(Entity entity) {
    if (!ecs_ready()) return false;
    const Block<Entity, 64>* top = removal_queue.current;
    const int32_t count = top->count;
    entity_remove(entity);
    return removal_queue.current != top || removal_queue.current->count != count;
}

enum class Made { box, no_numbers, no_memory };

// A new solid box with the next number. Room in the table is made before the entity, so that a failure
// at either step leaves the world as it was.
Made box_make(int32_t x, int32_t y, int32_t w, int32_t h, int32_t& number) {
    if (box_table.next_number == 0) return Made::no_numbers;
    if (box_table.entries.first == nullptr || game_archetype == nullptr) return Made::no_memory;
    if (block_append(box_table.entries.current) == nullptr) return Made::no_memory;
    block_pop(box_table.entries.current);  // the block the append may have linked stays for the add
    const Entity entity = entity_create(game_archetype);
    if (entity.record == nullptr) return Made::no_memory;
    *static_cast<Position*>(entity_component(box_table.position, entity)) = Position{x, y};
    *static_cast<Size*>(entity_component(box_table.size, entity)) = Size{w, h};
    number = box_table_add(entity);
    return Made::box;
}

// ---- Occupancy of the picture, for spawn ---------------------------------------------------------

constexpr int32_t row_words = framebuffer_width / 64;
uint64_t occupied[framebuffer_height][row_words];  // bit x % 64 of word x / 64: pixel column x is taken

// The bits of columns [x0, x1) that fall in word `word` of a row.
uint64_t span_bits(int32_t word, int64_t x0, int64_t x1) {
    const int64_t low = std::max<int64_t>(x0 - word * 64, 0);
    const int64_t high = std::min<int64_t>(x1 - word * 64, 64);
    if (low >= high) return 0;
    const uint64_t upto_high = high == 64 ? ~uint64_t{0} : (uint64_t{1} << high) - 1;
    return upto_high & ~((uint64_t{1} << low) - 1);
}

// Marks the part of (x, y, w, h) inside the picture as taken (taken = true) or tests whether any of it is.
bool occupancy(int64_t x, int64_t y, int64_t w, int64_t h, bool take) {
    const int64_t top = std::min<int64_t>(y + h, framebuffer_height);
    for (int64_t row = std::max<int64_t>(y, 0); row < top; ++row) {
        for (int32_t word = 0; word < row_words; ++word) {
            const uint64_t bits = span_bits(word, x, x + w);
            if (take)
                occupied[row][word] |= bits;
            else if ((occupied[row][word] & bits) != 0)
                return true;
        }
    }
    return false;
}

// splitmix64: small, fast and fully determined by its seed.
struct Random {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // A number from 0 to n - 1 (n >= 1), from the top 32 bits.
    int32_t below(int32_t n) { return int32_t(((next() >> 32) * uint64_t(n)) >> 32); }
};

// ---- Commands -----------------------------------------------------------------------------------

struct Command {
    const char* name;
    const char* syntax;
    const char* what;
    int32_t least_numbers, most_numbers;  // every argument of every command is a number
    void (*run)(const Command& command, const int32_t* numbers, int32_t count);
};

void usage(const Command& command) {
    reply("usage: %s", command.syntax);
}

void run_help(const Command&, const int32_t*, int32_t);

void run_pos(const Command&, const int32_t*, int32_t) {
    reply("player at %d %d", player_x, player_y);
}

void player_move(const char* name, int32_t x, int32_t y) {
    const int32_t box = box_overlapping(x, y, player_size, player_size);
    if (box != 0) {
        reply("%s: %d %d overlaps box %d", name, x, y, box);
        return;
    }
    player_x = x;
    player_y = y;
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
        reply("%s: W and H must be at least 1", command.name);
        return;
    }
    if (overlaps_player(x, y, w, h)) {
        reply("%s: %d %d %d %d overlaps the player", command.name, x, y, w, h);
        return;
    }
    int32_t number = 0;
    switch (box_make(x, y, w, h, number)) {
        case Made::box:
            reply("box %d at %d %d %d %d", number, x, y, w, h);
            return;
        case Made::no_numbers:
            reply("%s: no box numbers left", command.name);
            return;
        case Made::no_memory:
            reply("%s: out of memory", command.name);
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
        reply("%s: no box %d", command.name, n[0]);
        return;
    }
    // Queued first: a queue that cannot grow leaves the box in the world, and then in the table too.
    if (!removal_queued(entry->entity)) {
        reply("%s: out of memory", command.name);
        return;
    }
    box_table_erase(n[0]);
    reply("removed box %d", n[0]);
}

void run_clear(const Command& command, const int32_t*, int32_t) {
    const int64_t removed = box_table.count;
    int64_t queued = 0;
    box_table_each([&](const BoxEntry& entry) {
        if (!removal_queued(entry.entity)) return false;
        ++queued;
        return true;
    });
    if (queued < removed) {
        // The queue could not take every box: the ones queued go, the rest stay in the table and world.
        for (int64_t i = 0; i < queued; ++i) {
            box_table_erase(box_table.entries.first->items[0].number);
        }
        reply("%s: out of memory after %lld boxes", command.name, static_cast<long long>(queued));
        return;
    }
    block_rewind(box_table.entries.first, box_table.entries.current);
    box_table.count = 0;
    reply("removed %lld box%s", static_cast<long long>(removed), removed == 1 ? "" : "es");
}

void run_spawn(const Command& command, const int32_t* n, int32_t count) {
    const int32_t wanted = n[0];
    const int32_t seed = count > 1 ? n[1] : 1;
    if (wanted < 1 || wanted > spawn_count_limit) {
        reply("%s: COUNT must be 1 to %d", command.name, spawn_count_limit);
        return;
    }
    if (box_table.next_number == 0) {
        reply("%s: no box numbers left", command.name);
        return;
    }
    std::memset(occupied, 0, sizeof occupied);
    occupancy(player_x, player_y, player_size, player_size, true);
    box_table_each([](const BoxEntry& entry) {
        const BoxView box = box_view(entry);
        occupancy(box.position.x, box.position.y, box.size.width, box.size.height, true);
        return true;
    });

    Random random{uint64_t(int64_t{seed})};
    int32_t placed = 0, failures = 0;
    const char* stopped = "the picture is full";
    while (placed < wanted && failures < spawn_failures_before_full) {
        const int32_t w = spawn_size_min + random.below(spawn_size_max - spawn_size_min + 1);
        const int32_t h = spawn_size_min + random.below(spawn_size_max - spawn_size_min + 1);
        const int32_t x = random.below(framebuffer_width - w + 1);
        const int32_t y = random.below(framebuffer_height - h + 1);
        if (occupancy(x, y, w, h, false)) {
            ++failures;
            continue;
        }
        failures = 0;
        int32_t number = 0;
        const Made made = box_make(x, y, w, h, number);
        if (made != Made::box) {
            stopped = made == Made::no_numbers ? "no box numbers left" : "out of memory";
            break;
        }
        occupancy(x, y, w, h, true);
        ++placed;
    }
    if (placed == wanted)
        reply("spawned %d box%s (seed %d)", placed, placed == 1 ? "" : "es", seed);
    else
        reply("spawned %d of %d boxes (seed %d): %s", placed, wanted, seed, stopped);
}

void run_stats(const Command& command, const int32_t*, int32_t) {
    const auto boxes = static_cast<long long>(box_table.count);
    FrameStats stats{};
    if (game_platform.read_frame_stats != nullptr) game_platform.read_frame_stats(&stats);
    if (stats.passes <= 0) {
        reply("%s: no pass measured yet; boxes %lld", command.name, boxes);
        return;
    }
    reply(
        "frame work p50 %lld us p99 %lld us max %lld us; pacing error p99 %lld us; late passes %d, "
        "re-anchored %d; boxes %lld",
        static_cast<long long>(stats.work_p50_us), static_cast<long long>(stats.work_p99_us),
        static_cast<long long>(stats.work_max_us), static_cast<long long>(stats.pacing_error_p99_us),
        stats.late_passes, stats.reanchored_passes, boxes);
}

void run_quit(const Command&, const int32_t*, int32_t) {
    reply("bye");
    if (game_platform.quit != nullptr) game_platform.quit();
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
    {"stats", "stats", "frame work, pacing and box count over the last 600 passes", 0, 0, run_stats},
    {"quit", "quit", "ends the program, as closing the window does", 0, 0, run_quit},
};

void run_help(const Command&, const int32_t*, int32_t) {
    for (const Command& command : commands)
        reply("%s: %s", command.syntax, command.what);
}

}  // namespace

const char* game_command_name(int32_t index) {
    return index >= 0 && index < int32_t(std::size(commands)) ? commands[index].name : nullptr;
}

void game_command(const char* line) {
    if (line == nullptr) return;
    const Words words = split(line);
    if (words.count == 0) return;
    const std::string_view name = words.word[0];
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
    printable_word(name, shown);
    reply("unknown command '%s' (type help)", shown);
}

}  // namespace novra
