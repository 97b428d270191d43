// Block lists under random appends, pops and rewinds, against a model: a vector of the items in order, the
// slot address each item was given, and the longest the list has ever been. Blocks of 3 items make every
// boundary case (full block, reuse of a later block, pop across a block) a few bytes of input away.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/block_list.h"

namespace novra {
namespace {

constexpr int32_t capacity = 3;
using TestBlock = Block<uint32_t, capacity>;

struct ModelItem {
    uint32_t value;
    const uint32_t* slot;  // where append put it; an item never moves
};

struct Model {
    std::vector<ModelItem> items;
    size_t longest = 0;  // most items the list ever held: the chain must have just enough blocks for it
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "block list: %s\n", what);
    std::abort();
}

void check(const BlockList<uint32_t, capacity>& list, const Model& model) {
    // Walked from the first block up to the current one, the list's items are the model's, in place.
    size_t index = 0;
    for (const TestBlock* block = list.first;; block = block->next) {
        if (block == nullptr) fail("current block is not in the chain");
        if (block->count < 0 || block->count > capacity) fail("count out of range");
        if (block != list.current && block->count != capacity)
            fail("a block before the current one is not full");
        for (int32_t i = 0; i < block->count; ++i, ++index) {
            if (index >= model.items.size()) fail("more items than appended");
            if (&block->items[i] != model.items[index].slot) fail("an item moved");
            if (block->items[i] != model.items[index].value) fail("an item changed");
        }
        if (block == list.current) break;
    }
    if (index != model.items.size()) fail("items lost");
    if (block_item_count(list.current) != int64_t(model.items.size())) fail("block_item_count is wrong");

    // The chain only grows, and only as far as the longest list needed (an append moves on at the append
    // that finds its block full, so n items need ceil(n / capacity) blocks, at least one).
    size_t blocks = 0;
    const TestBlock* previous = nullptr;
    for (const TestBlock* block = list.first; block != nullptr; block = block->next, ++blocks) {
        if (block->previous != previous) fail("previous link broken");
        previous = block;
    }
    const size_t needed = model.longest == 0 ? 1 : (model.longest + capacity - 1) / capacity;
    if (blocks != needed) fail("chain length differs from what the longest list needed");
}

}  // namespace
}  // namespace novra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace novra;
    FuzzedDataProvider input(data, size);
    TestBlock* first = block_create<uint32_t, capacity>();
    if (first == nullptr) return 0;
    BlockList<uint32_t, capacity> list{first, first};
    Model model;
    uint32_t next_value = 1;
    while (input.remaining_bytes() > 0) {
        const uint8_t operation = input.ConsumeIntegral<uint8_t>();
        if (operation % 8 < 4) {
            uint32_t* slot = block_append(list.current);
            if (slot == nullptr) fail("append failed with memory to spare");
            *slot = next_value;
            model.items.push_back(ModelItem{next_value++, slot});
            if (model.items.size() > model.longest) model.longest = model.items.size();
        } else if (operation % 8 < 7) {
            uint32_t* slot = block_pop(list.current);
            if (model.items.empty()) {
                if (slot != nullptr) fail("pop of an empty list returned an item");
            } else {
                if (slot != model.items.back().slot || *slot != model.items.back().value)
                    fail("pop did not return the last item");
                model.items.pop_back();
            }
        } else {
            block_rewind(list.first, list.current);
            model.items.clear();
        }
        check(list, model);
    }
    block_chain_free(list.first);
    return 0;
}
