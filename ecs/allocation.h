// Every allocation the store makes passes through here, so that tests can make allocations fail on
// purpose and check that each operation then gives its empty result and leaves the store as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/block_list.h"

namespace novra {

// Allocations that still succeed before every later one fails; negative (the default) lets all succeed.
extern int64_t ecs_fail_allocation_after;

// Counts one allocation against ecs_fail_allocation_after; true when that allocation must fail.
bool ecs_allocation_refused();

// malloc of at least one byte (so null always means failure), or null when refused.
void* ecs_malloc(size_t bytes);

// block_create, or null when refused.
template <typename Item, int32_t N>
Block<Item, N>* ecs_block_create() {
    return ecs_allocation_refused() ? nullptr : block_create<Item, N>();
}

// block_append, or null (the list unchanged) when the new block it needs is refused. block_append
// allocates only when it finds the current block full with no block after it.
template <typename Item, int32_t N>
Item* ecs_append(Block<Item, N>*& current) {
    if (current->count == N && current->next == nullptr && ecs_allocation_refused()) return nullptr;
    return block_append(current);
}

}  // namespace novra
