// Chained block lists: the one store shape every variable-sized store of NOVRA is built from.
//
// A list is a chain of fixed-capacity blocks that grows by whole blocks and never moves an item once
// placed, so other structures may keep plain pointers into it. A list is handled through its current
// block (the one that takes the next item and gives up the last) and, where it is walked or rewound,
// its first block. Blocks are never freed while the program runs; a chain only grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace novra {

template <typename Item, int32_t N>
struct Block {
    static_assert(N > 0, "a block holds at least one item");
    Block* previous;  // null for the first block of the chain
    Block* next;      // null at the end of the chain; blocks past the current one hold stale items
    int32_t count;    // slots in use, 0 to N
    Item items[N];
};
// The designed block sizes are those of 4-byte pointers: a 12-byte header, then N items with no gaps.
static_assert(sizeof(void*) != 4 || sizeof(Block<int32_t, 1>) == 16, "a block's header takes 12 bytes");

// A list that keeps both ends of its chain. Lists that only push and pop keep just a current block.
template <typename Item, int32_t N>
struct BlockList {
    Block<Item, N>* first;
    Block<Item, N>* current;
};

// Where a block's memory comes from: std::malloc unless a store swaps in its own (tests make it fail).
// Blocks are freed with std::free, so any other function must hand out memory std::free accepts.
using BlockAllocate = void* (*)(size_t bytes);

// Allocates one empty block with no neighbours. Returns null when the allocation fails.
template <typename Item, int32_t N>
Block<Item, N>* block_create(BlockAllocate allocate = std::malloc) {
    auto* block = static_cast<Block<Item, N>*>(allocate(sizeof(Block<Item, N>)));
    if (block == nullptr) return nullptr;
    block->previous = nullptr;
    block->next = nullptr;
    block->count = 0;
    return block;
}

// Returns a fresh slot at the end of the list for the caller to fill. The move to a further block
// happens at the append that finds the current block full, reusing the next block (its count reset)
// before allocating one with `allocate`. Returns null, leaving the list as it was, when a new block
// cannot be had.
template <typename Item, int32_t N>
Item* block_append(Block<Item, N>*& current, BlockAllocate allocate = std::malloc) {
    if (current->count == N) {
        Block<Item, N>* next = current->next;
        if (next != nullptr) {
            next->count = 0;
        } else {
            next = block_create<Item, N>(allocate);
            if (next == nullptr) return nullptr;
            next->previous = current;
            current->next = next;
        }
        current = next;
    }
    return &current->items[current->count++];
}

// Removes the last item and returns its slot, or null when the list is empty (the list then stays as
// it was, also when further blocks follow). A previous block is always full, so one step back suffices;
// the block left behind stays linked for a later append to reuse.
template <typename Item, int32_t N>
Item* block_pop(Block<Item, N>*& current) {
    if (current->count == 0) {
        if (current->previous == nullptr) return nullptr;
        current = current->previous;
    }
    return &current->items[--current->count];
}

// Empties the list for reuse, keeping all its blocks. Only the first block is touched: later blocks
// keep their stale counts until an append advances into them.
template <typename Item, int32_t N>
void block_rewind(Block<Item, N>* first, Block<Item, N>*& current) {
    current = first;
    first->count = 0;
}

// Number of items in the list, counting the full blocks before the current one.
template <typename Item, int32_t N>
int64_t block_item_count(const Block<Item, N>* current) {
    int64_t total = current->count;
    for (const Block<Item, N>* block = current->previous; block != nullptr; block = block->previous) {
        total += N;
    }
    return total;
}

// Frees every block of the chain that `any_block` belongs to; null frees nothing. Only used when a
// whole store is thrown away and made afresh (tests start each case from new stores).
template <typename Item, int32_t N>
void block_chain_free(Block<Item, N>* any_block) {
    if (any_block == nullptr) return;
    while (any_block->previous != nullptr)
        any_block = any_block->previous;
    while (any_block != nullptr) {
        Block<Item, N>* next = any_block->next;
        std::free(any_block);
        any_block = next;
    }
}

}  // namespace novra
