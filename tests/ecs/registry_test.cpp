#include <cstdlib>

#include "ecs_test_support.h"

namespace novra {
namespace {

using Registry = EcsTest;
using Masks = EcsTest;

void register_tags(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        ASSERT_NE(component_register(0), invalid_component_id);
}

TEST_F(Registry, IdsCountFromZeroAndTagsTakeIdsLikeAnyOther) {
    EXPECT_EQ(component_registry.count, 0u);
    EXPECT_EQ(component_registry.capacity, 16u);
    EXPECT_EQ(component_register(8), 0u);
    EXPECT_EQ(component_register(0), 1u);
    EXPECT_EQ(component_register(3), 2u);
    EXPECT_EQ(component_registry.count, 3u);
    EXPECT_EQ(component_registry.sizes[0], 8u);
    EXPECT_EQ(component_registry.sizes[1], 0u);
    EXPECT_EQ(component_registry.sizes[2], 3u);
}

TEST_F(Registry, SeventeenthAndThirtyThirdRegistrationsGrowCapacityBySixteenKeepingSizes) {
    for (uint32_t i = 0; i < 16; ++i)
        ASSERT_EQ(component_register(i + 100), i);
    EXPECT_EQ(component_registry.capacity, 16u);
    EXPECT_EQ(component_register(7), 16u);
    EXPECT_EQ(component_registry.capacity, 32u);
    for (uint32_t i = 0; i < 16; ++i)
        EXPECT_EQ(component_registry.sizes[i], i + 100);
    for (uint32_t i = 17; i < 32; ++i)
        ASSERT_EQ(component_register(1), i);
    EXPECT_EQ(component_registry.capacity, 32u);
    EXPECT_EQ(component_register(1), 32u);
    EXPECT_EQ(component_registry.capacity, 48u);
    EXPECT_EQ(component_registry.sizes[16], 7u);
}

TEST_F(Registry, FailedGrowthReturnsInvalidIdAndChangesNothing) {
    register_tags(16);
    uint32_t* sizes = component_registry.sizes;
    ecs_fail_allocation_after = 0;
    EXPECT_EQ(component_register(4), invalid_component_id);
    EXPECT_EQ(component_registry.count, 16u);
    EXPECT_EQ(component_registry.capacity, 16u);
    EXPECT_EQ(component_registry.sizes, sizes);
    ecs_fail_allocation_after = -1;
    EXPECT_EQ(component_register(4), 16u);
}

TEST_F(Masks, WordCountStepsUpWhenThirtyTwoTypesAreRegistered) {
    struct Case {
        uint32_t registered;
        int32_t words;
    };
    const Case cases[] = {{0, 1}, {1, 1}, {31, 1}, {32, 2}, {63, 2}, {64, 3}, {96, 4}};
    for (const Case& c : cases) {
        ecs_init();
        register_tags(c.registered);
        EXPECT_EQ(mask_word_count(), c.words) << c.registered << " types";
    }
}

TEST_F(Masks, IdThirtyOneIsTheTopBitOfWordZeroAndIdThirtyTwoBitZeroOfWordOne) {
    register_tags(33);
    ComponentMask mask = build_mask(2, ComponentId{31}, ComponentId{32});
    ASSERT_NE(mask.words, nullptr);
    ASSERT_EQ(mask.word_count, 2);
    EXPECT_EQ(mask.words[0], 0x80000000u);
    EXPECT_EQ(mask.words[1], 1u);
    std::free(mask.words);
}

TEST_F(Masks, WithThirtyTwoTypesTheSecondWordIsZero) {
    register_tags(32);
    ComponentMask mask = build_mask(2, ComponentId{0}, ComponentId{31});
    ASSERT_NE(mask.words, nullptr);
    ASSERT_EQ(mask.word_count, 2);
    EXPECT_EQ(mask.words[0], 0x80000001u);
    EXPECT_EQ(mask.words[1], 0u);
    std::free(mask.words);
}

TEST_F(Masks, OrderAndRepeatsOfIdsChangeNeitherMaskNorDataCount) {
    ComponentId position = component_register(8), size = component_register(8), solid = component_register(0);
    ComponentMask game = build_mask(3, position, size, solid);
    ComponentMask shuffled = build_mask(5, solid, size, position, size, solid);
    ASSERT_NE(game.words, nullptr);
    ASSERT_NE(shuffled.words, nullptr);
    EXPECT_EQ(game.word_count, 1);
    EXPECT_EQ(game.words[0], 7u);
    EXPECT_EQ(game.data_count, 2);
    EXPECT_EQ(shuffled.words[0], 7u);
    EXPECT_EQ(shuffled.data_count, 2);
    std::free(game.words);
    std::free(shuffled.words);
}

TEST_F(Masks, TagsOnlyGiveDataCountZeroAndNoIdsGiveAnEmptyMask) {
    ComponentId a = component_register(0), b = component_register(0);
    component_register(4);
    ComponentMask tags = build_mask(2, a, b);
    ComponentMask none = build_mask(0);
    ASSERT_NE(tags.words, nullptr);
    ASSERT_NE(none.words, nullptr);
    EXPECT_EQ(tags.data_count, 0);
    EXPECT_EQ(tags.words[0], 3u);
    EXPECT_EQ(none.words[0], 0u);
    EXPECT_EQ(none.data_count, 0);
    std::free(tags.words);
    std::free(none.words);
}

TEST_F(Masks, UnregisteredIdOrNegativeCountGivesNoMask) {
    register_tags(3);
    EXPECT_EQ(build_mask(2, ComponentId{0}, ComponentId{3}).words, nullptr);
    EXPECT_EQ(build_mask(1, invalid_component_id).words, nullptr);
    EXPECT_EQ(build_mask(-1).words, nullptr);
}

TEST(MaskBucket, FollowsTheSignedRemainderRuleAndStaysInRangeForTopBitWords) {
    struct Case {
        std::vector<uint32_t> words;
        int32_t bucket;
    };
    const Case cases[] = {
        {{7}, 7},
        {{0}, 0},
        {{331}, 0},
        {{368}, 0},
        {{5, 2}, 7},
        {{7, 0}, 7},
        {{7, 0, 0}, 7},
        {{1000, 1000}, 14},
        {{0x7FFFFFFF}, 1},
        // A word with bit 31 set reads as negative; a sum below zero is folded up by 37.
        {{0x80000000}, 35},
        {{0xFFFFFFFF}, 36},
        {{0x80000000, 0x80000000}, 33},
        {{0x80000007}, 7},
        {{0x80000000, 5}, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mask_bucket(c.words.data(), int32_t(c.words.size())), c.bucket) << c.words[0];
    }
}

TEST(MaskBucket, EveryMaskFallsIntoOneOfTheThirtySevenBuckets) {
    uint32_t state = 12345;
    for (int32_t i = 0; i < 20000; ++i) {
        uint32_t words[4];
        for (uint32_t& word : words) {
            state = state * 1664525u + 1013904223u;
            word = state;
        }
        int32_t bucket = mask_bucket(words, 1 + i % 4);
        ASSERT_GE(bucket, 0);
        ASSERT_LT(bucket, archetype_bucket_count);
    }
}

TEST(MaskEqual, ComparesAllWordsCountingMissingOnesAsZero) {
    struct Case {
        std::vector<uint32_t> a, b;
        bool equal;
    };
    const Case cases[] = {
        {{7}, {7}, true},     {{7}, {7, 0}, true},        {{7, 0, 0}, {7}, true}, {{7}, {5, 2}, false},
        {{7}, {7, 1}, false}, {{7, 0, 4}, {7, 0}, false}, {{0}, {}, true},        {{1}, {2}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mask_equal(c.a.data(), int32_t(c.a.size()), c.b.data(), int32_t(c.b.size())), c.equal);
        EXPECT_EQ(mask_equal(c.b.data(), int32_t(c.b.size()), c.a.data(), int32_t(c.a.size())), c.equal);
    }
}

}  // namespace
}  // namespace novra
