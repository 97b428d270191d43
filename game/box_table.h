// The box table: every solid box by the number the commands call it. Numbers count from 1 (the box
// game_setup makes) and are never reused within a run, so a number names one box for as long as it
// exists and none after.
#pragma once

#include <cstdint>

#include "core/block_list.h"
#include "ecs/ecs.h"
#include "game/world.h"

namespace novra {

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

// Empties the table, keeping its blocks, and starts the numbers again from 1; part of game_reset.
void box_table_reset();

// Gives a live entity the next number. Returns it, or 0 (adding nothing) when the numbers are used up or
// the table cannot grow.
int32_t box_table_add(Entity entity);

// What box_create made: a box and its number, or why not.
enum class BoxMade { box, no_numbers, no_memory };

// A new solid box (x, y, w, h) in the game's Archetype with the next number, in `number`. Room in the
// table is made before the entity, so a failure at either step leaves the world as it was.
BoxMade box_create(int32_t x, int32_t y, int32_t w, int32_t h, int32_t& number);

// The entry of box `number`, or null when no such box exists.
const BoxEntry* box_table_find(int32_t number);

// Takes box `number` out of the table (its entity is not touched). Returns false when there is none.
bool box_table_erase(int32_t number);

// Takes every box numbered below `number` out of the table at once (their entities are not touched),
// keeping the rest in order.
void box_table_erase_below(int64_t number);

// Removes every box numbered below `number` (INT64_MAX: every box), as `clear` does: each entity's
// removal is queued, in number order, and the boxes queued leave the table. Returns how many were queued;
// when the queue cannot take them all, the ones queued are gone and the rest stay, in table and world.
int64_t box_table_remove_below(int64_t number);

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

}  // namespace novra
