// A model of a block list: the items in order, the slot each was given, and the longest the list has
// ever been. Each operation is applied to the list and the model together, and the check walks the
// chain against the model. Shared by the block list's property test and its fuzz target; a mismatch
// throws std::logic_error naming it.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/block_list.h"

namespace novra {

template <typename Item, int32_t N>
struct BlockListModel {
    struct Entry {
        Item value;
        const Item* slot;  // where append put it; an item never moves
    };
    std::vector<Entry> items;
    size_t longest = 0;  // most items the list ever held: the chain must have just enough blocks for it
};

[[noreturn]] inline void block_model_fail(const char* what) {
    throw std::logic_error(std::string("block list differs from its model: ") + what);
}

// Appends `value` to both; an append must not fail while memory lasts.
template <typename Item, int32_t N>
void block_model_append(BlockList<Item, N>& list, BlockListModel<Item, N>& model, Item value) {
    Item* slot = block_append(list.current);
    if (slot == nullptr) block_model_fail("append failed with memory to spare");
    *slot = value;
    model.items.push_back({value, slot});
    if (model.items.size() > model.longest) model.longest = model.items.size();
}

// Pops from both: the list must give back the model's last item, in its own slot, or null when empty.
template <typename Item, int32_t N>
void block_model_pop(BlockList<Item, N>& list, BlockListModel<Item, N>& model) {
    Item* slot = block_pop(list.current);
    if (model.items.empty()) {
        if (slot != nullptr) block_model_fail("pop of an empty list returned an item");
        return;
    }
    if (slot != model.items.back().slot || *slot != model.items.back().value)
        block_model_fail("pop did not return the last item");
    model.items.pop_back();
}

template <typename Item, int32_t N>
void block_model_rewind(BlockList<Item, N>& list, BlockListModel<Item, N>& model) {
    block_rewind(list.first, list.current);
    model.items.clear();
}

// Walked from the first block up to the current one, the list's items are the model's, in place; blocks
// before the current one are full; the chain is linked both ways and only as long as the longest list
// needed (an append moves on at the append that finds its block full: n items take ceil(n / N) blocks).
template <typename Item, int32_t N>
void block_model_check(const BlockList<Item, N>& list, const BlockListModel<Item, N>& model) {
    size_t index = 0;
    for (const Block<Item, N>* block = list.first;; block = block->next) {
        if (block == nullptr) block_model_fail("current block is not in the chain");
        if (block->count < 0 || block->count > N) block_model_fail("count out of range");
        if (block != list.current && block->count != N)
            block_model_fail("a block before the current one is not full");
        for (int32_t i = 0; i < block->count; ++i, ++index) {
            if (index >= model.items.size()) block_model_fail("more items than appended");
            if (&block->items[i] != model.items[index].slot) block_model_fail("an item moved");
            if (block->items[i] != model.items[index].value) block_model_fail("an item changed");
        }
        if (block == list.current) break;
    }
    if (index != model.items.size()) block_model_fail("items lost");
    if (block_item_count(list.current) != int64_t(model.items.size()))
        block_model_fail("block_item_count is wrong");
    size_t blocks = 0;
    const Block<Item, N>* previous = nullptr;
    for (const Block<Item, N>* block = list.first; block != nullptr; block = block->next, ++blocks) {
        if (block->previous != previous) block_model_fail("previous link broken");
        previous = block;
    }
    const size_t needed = model.longest == 0 ? 1 : (model.longest + N - 1) / N;
    if (blocks != needed) block_model_fail("chain length differs from what the longest list needed");
}

}  // namespace novra
