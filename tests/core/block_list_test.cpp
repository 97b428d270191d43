#include "core/block_list.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/shared/block_list_model.h"

namespace novra {
namespace {

using IntBlock = Block<int32_t, 4>;
using IntList = BlockList<int32_t, 4>;

IntList make_list() {
    IntBlock* block = block_create<int32_t, 4>();
    return IntList{block, block};
}

void push(IntList& list, int32_t value) {
    *block_append(list.current) = value;
}

TEST(BlockList, NAppendsFillTheFirstBlockAndTheNextOpensASecond) {
    IntList list = make_list();
    for (int32_t i = 0; i < 4; ++i)
        push(list, i);
    EXPECT_EQ(list.current, list.first);
    EXPECT_EQ(list.first->count, 4);
    EXPECT_EQ(list.first->next, nullptr);

    push(list, 4);
    ASSERT_NE(list.current, list.first);
    EXPECT_EQ(list.first->next, list.current);
    EXPECT_EQ(list.current->previous, list.first);
    EXPECT_EQ(list.current->count, 1);
    EXPECT_EQ(list.current->items[0], 4);
    block_chain_free(list.first);
}

TEST(BlockList, RewindRefillsFromSlotZeroAndResetsReusedBlocks) {
    IntList list = make_list();
    for (int32_t i = 0; i < 7; ++i)
        push(list, i);
    IntBlock* second = list.current;
    block_rewind(list.first, list.current);
    EXPECT_EQ(list.current, list.first);
    EXPECT_EQ(list.first->count, 0);
    EXPECT_EQ(second->count, 3);  // untouched until an append advances into it

    for (int32_t i = 0; i < 5; ++i)
        push(list, 100 + i);
    EXPECT_EQ(list.current, second);  // reused, not a new block
    EXPECT_EQ(second->count, 1);
    EXPECT_EQ(second->items[0], 104);
    EXPECT_EQ(block_item_count(list.current), 5);
    block_chain_free(list.first);
}

TEST(BlockList, RewindOfAListThatNeverGrewLeavesOneEmptyBlock) {
    IntList list = make_list();
    push(list, 1);
    block_rewind(list.first, list.current);
    EXPECT_EQ(list.current, list.first);
    EXPECT_EQ(list.first->count, 0);
    EXPECT_EQ(list.first->next, nullptr);
    block_chain_free(list.first);
}

TEST(BlockList, PopOnEmptyListReturnsNullAndChangesNothingEvenWithBlocksAfter) {
    IntList list = make_list();
    EXPECT_EQ(block_pop(list.current), nullptr);
    for (int32_t i = 0; i < 6; ++i)
        push(list, i);
    block_rewind(list.first, list.current);
    EXPECT_EQ(block_pop(list.current), nullptr);
    EXPECT_EQ(list.current, list.first);
    EXPECT_EQ(list.first->count, 0);
    block_chain_free(list.first);
}

TEST(BlockList, PopStepsBackOneBlockAndPushAfterReusesTheEmptiedBlock) {
    BlockList<int32_t, 16> list{};
    list.first = list.current = block_create<int32_t, 16>();
    for (int32_t i = 1; i <= 17; ++i)
        *block_append(list.current) = i;
    Block<int32_t, 16>* second = list.current;

    EXPECT_EQ(*block_pop(list.current), 17);
    EXPECT_EQ(list.current, second);
    EXPECT_EQ(second->count, 0);
    EXPECT_EQ(*block_pop(list.current), 16);
    EXPECT_EQ(list.current, list.first);
    EXPECT_EQ(list.first->count, 15);

    int32_t* slot = block_append(list.current);
    EXPECT_EQ(slot, &list.first->items[15]);
    *slot = 99;
    *block_append(list.current) = 100;
    EXPECT_EQ(list.current, second);
    EXPECT_EQ(second->count, 1);
    EXPECT_EQ(second->items[0], 100);
    block_chain_free(list.first);
}

TEST(BlockList, PoppingAStackGivesItemsInReverseOrder) {
    IntList list = make_list();
    for (int32_t i = 0; i < 10; ++i)
        push(list, i);
    for (int32_t i = 9; i >= 0; --i)
        EXPECT_EQ(*block_pop(list.current), i);
    EXPECT_EQ(block_pop(list.current), nullptr);
    block_chain_free(list.first);
}

// Random appends, pops and rewinds against the shared model: the same items in the same order, each in
// the slot it was given, and a chain just as long as the longest list needed.
TEST(BlockList, MatchesItsModelAndItemsNeverMove) {
    std::mt19937 random(12345);
    IntList list = make_list();
    BlockListModel<int32_t, 4> model;
    for (int32_t step = 0; step < 20000; ++step) {
        const uint32_t roll = random() % 100;
        if (roll < 55)
            block_model_append(list, model, step);
        else if (roll < 98)
            block_model_pop(list, model);
        else
            block_model_rewind(list, model);
        ASSERT_NO_THROW(block_model_check(list, model)) << "step " << step;
    }
    block_chain_free(list.first);
}

}  // namespace
}  // namespace novra
