// The Game's commands: lines typed into the debug console, run against the world while it runs.
//
// A line is words separated by spaces; leading and trailing spaces are ignored; command names are lower
// case. A number is a decimal int32 with an optional minus sign and nothing else. Every command answers
// through the PlatformTable's `log` with at least one line; a refused command answers with exactly one
// line and changes nothing. An empty line does nothing and answers nothing. `help` lists the commands.
#pragma once

#include <cstdint>

#include "core/block_list.h"
#include "ecs/ecs.h"
#include "game/game.h"

namespace novra {

constexpr int32_t player_start_x = 60, player_start_y = 60;
constexpr int32_t spawn_count_limit = 100000;  // most boxes one spawn asks for
constexpr int32_t spawn_size_min = 4, spawn_size_max = 16;
constexpr int32_t spawn_failures_before_full = 1024;  // tries in a row that find no room: picture full
constexpr int32_t boxes_listed_limit = 20;            // lines `boxes` lists before "... and K more"

// One box the commands can name. Numbers count from 1 (the box game_setup makes) and are never reused
// within a run, so a number names one box for as long as it exists and none after.
struct BoxEntry {
    int32_t number;
    Entity entity;  // live while the entry is in the table
};

// Every box that exists, by number. A box leaves the table when `rm` or `clear` queues its entity's
// removal (carried out at the end of the next frame), so the commands never see it again.
struct BoxTable {
    BlockList<BoxEntry, 256> entries;  // in increasing number order, packed; null if no block could be had
    int64_t count;                     // entries in the table
    int32_t next_number;               // the number the next box gets; 0 once every int32 number is used
    ComponentId position, size;        // the game's component types, to reach a box's fields
};
extern BoxTable box_table;

// Empties the table (keeping its blocks) and starts the numbers again from 1. Called by game_setup.
// Returns false when the table's first block cannot be allocated.
bool box_table_init(ComponentId position, ComponentId size);

// Gives a live entity the next number. Returns it, or 0 (adding nothing) when the numbers are used up or
// the table cannot grow.
int32_t box_table_add(Entity entity);

// The entry of box `number`, or null when no such box exists.
const BoxEntry* box_table_find(int32_t number);

// Takes box `number` out of the table (its entity is not touched). Returns false when there is none.
bool box_table_erase(int32_t number);

// A box's fields, read through its entity.
struct BoxView {
    int32_t number;
    Position position;
    Size size;
};
BoxView box_view(const BoxEntry& entry);

// Calls visit(const BoxEntry&) for every box in number order; stops early when it returns false.
template <typename Visit>
void box_table_each(Visit visit) {
    for (const Block<BoxEntry, 256>* block = box_table.entries.first; block != nullptr; block = block->next) {
        for (int32_t i = 0; i < block->count; ++i) {
            if (!visit(block->items[i])) return;
        }
        if (block == box_table.entries.current) return;  // blocks past the current one hold stale items
    }
}

// The console's line handler: runs one finished line (zero-terminated UTF-8) as a command. A null line
// does nothing.
void game_command(const char* line);

// The name of the command at `index` in the order `help` lists them, or null past the last.
const char* game_command_name(int32_t index);

}  // namespace novra
