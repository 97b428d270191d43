#include "game/box_table.h"

#include <cstring>

#include "game/game.h"

namespace novra {

BoxTable box_table;

namespace {

using EntryBlock = Block<BoxEntry, 256>;

struct Place {
    EntryBlock* block;
    int32_t index;
};

// Every block before the current one is full, and numbers increase along the chain, so the block that
// may hold `number` is the first whose last number is not below it; inside it, a binary search.
Place entry_place(int32_t number) {
    for (EntryBlock* block = box_table.entries.first; block != nullptr; block = block->next) {
        if (block->count > 0 && block->items[block->count - 1].number >= number) {
            int32_t low = 0, high = block->count - 1;
            while (low < high) {
                const int32_t middle = low + (high - low) / 2;
                if (block->items[middle].number < number)
                    low = middle + 1;
                else
                    high = middle;
            }
            if (block->items[low].number == number) return {block, low};
            return {nullptr, 0};
        }
        if (block == box_table.entries.current) break;
    }
    return {nullptr, 0};
}

}  // namespace

bool box_table_init(ComponentId position, ComponentId size) {
    box_table.position = position;
    box_table.size = size;
    box_table.count = 0;
    box_table.next_number = 1;
    if (box_table.entries.first == nullptr) {
        box_table.entries.first = block_create<BoxEntry, 256>();
        box_table.entries.current = box_table.entries.first;
        return box_table.entries.first != nullptr;
    }
    block_rewind(box_table.entries.first, box_table.entries.current);
    return true;
}

void box_table_reset() {
    box_table.count = 0;
    box_table.next_number = 1;
    if (box_table.entries.first != nullptr) block_rewind(box_table.entries.first, box_table.entries.current);
}

BoxMade box_create(int32_t x, int32_t y, int32_t w, int32_t h, int32_t& number) {
    if (box_table.next_number == 0) return BoxMade::no_numbers;
    if (box_table.entries.first == nullptr || game.archetype == nullptr) return BoxMade::no_memory;
    // Appending and popping leaves any block the append linked behind the current one, where the add
    // below finds it: after this the add cannot fail.
    if (block_append(box_table.entries.current) == nullptr) return BoxMade::no_memory;
    block_pop(box_table.entries.current);
    const Entity entity = entity_create(game.archetype);
    if (entity.record == nullptr) return BoxMade::no_memory;
    *static_cast<Position*>(entity_component(box_table.position, entity)) = Position{x, y};
    *static_cast<Size*>(entity_component(box_table.size, entity)) = Size{w, h};
    number = box_table_add(entity);
    return BoxMade::box;
}

int32_t box_table_add(Entity entity) {
    if (box_table.entries.first == nullptr || box_table.next_number == 0) return 0;
    BoxEntry* slot = block_append(box_table.entries.current);
    if (slot == nullptr) return 0;
    const int32_t number = box_table.next_number;
    *slot = BoxEntry{number, entity};
    ++box_table.count;
    // After INT32_MAX no number is left: 0 says so rather than wrapping to numbers already given out.
    box_table.next_number = number == INT32_MAX ? 0 : number + 1;
    return number;
}

const BoxEntry* box_table_find(int32_t number) {
    const Place place = entry_place(number);
    return place.block == nullptr ? nullptr : &place.block->items[place.index];
}

// The entries after the erased one move down by one, across blocks, so the table stays packed and in
// order; the last slot is then popped.
bool box_table_erase(int32_t number) {
    Place place = entry_place(number);
    if (place.block == nullptr) return false;
    EntryBlock* block = place.block;
    int32_t index = place.index;
    for (;;) {
        const int32_t last = block->count - 1;
        if (index < last)
            std::memmove(&block->items[index], &block->items[index + 1],
                         sizeof(BoxEntry) * size_t(last - index));
        EntryBlock* next = block->next;
        if (block == box_table.entries.current || next->count == 0) break;
        block->items[last] = next->items[0];
        block = next;
        index = 0;
    }
    block_pop(box_table.entries.current);
    --box_table.count;
    return true;
}

void box_table_erase_below(int64_t number) {
    if (box_table.entries.first == nullptr) return;
    // The kept entries move down to the front: the write place never passes the read place, and after
    // the rewind the appends hand back exactly the slots written, in order.
    EntryBlock* to = box_table.entries.first;
    int32_t to_index = 0;
    int64_t kept = 0;
    box_table_each([&](const BoxEntry& entry) {
        if (entry.number < number) return true;
        if (to_index == 256) {
            to = to->next;
            to_index = 0;
        }
        to->items[to_index++] = entry;
        ++kept;
        return true;
    });
    block_rewind(box_table.entries.first, box_table.entries.current);
    for (int64_t i = 0; i < kept; ++i)
        block_append(box_table.entries.current);
    box_table.count = kept;
}

int64_t box_table_remove_below(int64_t number) {
    int64_t queued = 0;
    int64_t end = number;
    box_table_each([&](const BoxEntry& entry) {
        if (entry.number >= number) return false;
        if (!entity_remove(entry.entity)) {
            end = entry.number;  // the queue is full: this box and those after it stay
            return false;
        }
        ++queued;
        return true;
    });
    box_table_erase_below(end);
    return queued;
}

BoxView box_view(const BoxEntry& entry) {
    BoxView view{entry.number, {}, {}};
    std::memcpy(&view.position, entity_component(box_table.position, entry.entity), sizeof(Position));
    std::memcpy(&view.size, entity_component(box_table.size, entry.entity), sizeof(Size));
    return view;
}

}  // namespace novra
