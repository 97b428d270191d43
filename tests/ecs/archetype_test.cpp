#include <climits>
#include <cstdlib>

#include "ecs/archetype.h"
#include "ecs_test_support.h"

namespace novra {
namespace {

using Archetypes = EcsTest;

constexpr size_t P = sizeof(void*);

struct GameTypes {
    ComponentId position, size, solid;
};

GameTypes register_game_types() {
    return {component_register(8), component_register(8), component_register(0)};
}

TEST_F(Archetypes, SameIdsInAnyOrderGiveTheSameArchetypeWithItsFirstChunkCapacity) {
    GameTypes t = register_game_types();
    Archetype* game = archetype_get(16, 3, t.position, t.size, t.solid);
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(archetype_get(16, 3, t.solid, t.position, t.size), game);
    EXPECT_EQ(archetype_get(4, 4, t.size, t.solid, t.position, t.size), game);
    EXPECT_EQ(game->chunk_capacity, 16);
    EXPECT_NE(archetype_get(16, 2, t.position, t.size), game);
    EXPECT_EQ(table_archetypes().size(), 2u);
}

TEST_F(Archetypes, GameArchetypeLaysOutBackPointersThenPositionThenSize) {
    GameTypes t = register_game_types();
    Archetype* game = archetype_get(16, 3, t.position, t.size, t.solid);
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->mask_words, 1);
    EXPECT_EQ(game->mask[0], 7u);
    EXPECT_EQ(game->data_count, 2);
    EXPECT_EQ(game->column_sizes[0], 8u);
    EXPECT_EQ(game->column_sizes[1], 8u);
    EXPECT_EQ(game->column_offsets->size(), 2u);
    EXPECT_EQ(game->column_offsets->at(t.position), 16 * P);
    EXPECT_EQ(game->column_offsets->at(t.size), 16 * (P + 8));
    EXPECT_EQ(size_t(game->row_size), P + 16);
    EXPECT_EQ(game->column_offsets->count(t.solid), 0u);
    if constexpr (sizeof(void*) == 4) {
        EXPECT_EQ(game->column_offsets->at(t.position), 64u);
        EXPECT_EQ(game->column_offsets->at(t.size), 192u);
        EXPECT_EQ(game->row_size, 20);
        EXPECT_EQ(game->chunk_capacity * game->row_size, 320);
    }
    Chunk* chunk = game->first_chunk;
    EXPECT_EQ(chunk, game->current_chunk);
    EXPECT_EQ(chunk->archetype, game);
    EXPECT_EQ(chunk->prev, nullptr);
    EXPECT_EQ(chunk->next, nullptr);
    EXPECT_EQ(chunk->count, 0);
    EXPECT_EQ(chunk_data(chunk), reinterpret_cast<std::byte*>(chunk) + sizeof(Chunk));
}

static_assert(sizeof(void*) != 4 || sizeof(Chunk) == 16, "four header fields of 4 bytes");
static_assert(sizeof(void*) != 8 || sizeof(Chunk) == 32,
              "three pointers and a count, padded to pointer size");

TEST_F(Archetypes, ColumnsFollowInAscendingIdOrderWithoutGapsWhateverTheirSizes) {
    ComponentId one = component_register(1), tag = component_register(0), three = component_register(3),
                twelve = component_register(12);
    Archetype* a = archetype_get(5, 4, twelve, tag, three, one);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->data_count, 3);
    EXPECT_EQ(a->column_offsets->at(one), 5 * P);
    EXPECT_EQ(a->column_offsets->at(three), 5 * (P + 1));
    EXPECT_EQ(a->column_offsets->at(twelve), 5 * (P + 4));
    EXPECT_EQ(size_t(a->row_size), P + 16);
    EXPECT_EQ(a->column_sizes[0], 1u);
    EXPECT_EQ(a->column_sizes[1], 3u);
    EXPECT_EQ(a->column_sizes[2], 12u);
}

TEST_F(Archetypes, TagsOnlyGiveBackPointersOnly) {
    ComponentId a = component_register(0), b = component_register(0);
    Archetype* tags = archetype_get(8, 2, a, b);
    ASSERT_NE(tags, nullptr);
    EXPECT_EQ(tags->data_count, 0);
    EXPECT_TRUE(tags->column_offsets->empty());
    EXPECT_EQ(size_t(tags->row_size), P);
    Archetype* empty = archetype_get(8, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(empty, tags);
    EXPECT_EQ(empty->mask[0], 0u);
}

TEST_F(Archetypes, AMaskAndTheSameMaskWithAZeroSecondWordAreOneArchetype) {
    ComponentId a = component_register(4), b = component_register(0);
    Archetype* early = archetype_get(16, 2, a, b);
    ASSERT_NE(early, nullptr);
    ASSERT_EQ(early->mask_words, 1);
    for (int32_t i = 0; i < 40; ++i)
        component_register(0);
    ASSERT_EQ(mask_word_count(), 2);
    EXPECT_EQ(archetype_get(16, 2, b, a), early);
}

TEST_F(Archetypes, TwoWordMaskFiveTwoSharesBucketSevenWithMaskSevenButIsAnother) {
    for (int32_t i = 0; i < 34; ++i)
        component_register(0);
    Archetype* seven = archetype_get(16, 3, ComponentId{0}, ComponentId{1}, ComponentId{2});
    Archetype* five_two = archetype_get(16, 3, ComponentId{0}, ComponentId{2}, ComponentId{33});
    ASSERT_NE(seven, nullptr);
    ASSERT_NE(five_two, nullptr);
    EXPECT_NE(seven, five_two);
    EXPECT_EQ(five_two->mask[0], 5u);
    EXPECT_EQ(five_two->mask[1], 2u);
    EXPECT_EQ(list_items(archetype_table.buckets[7].first), (std::vector<Archetype*>{seven, five_two}));
}

TEST_F(Archetypes, ExtraWordWithASetBitMakesMasksUnequal) {
    // Ids 0 and 32 form words (1, 1); a one-word mask (1) built earlier must not be taken for it.
    component_register(4);
    Archetype* early = archetype_get(16, 1, ComponentId{0});
    for (int32_t i = 0; i < 32; ++i)
        component_register(0);
    Archetype* later = archetype_get(16, 2, ComponentId{0}, ComponentId{32});
    ASSERT_NE(early, nullptr);
    ASSERT_NE(later, nullptr);
    EXPECT_NE(early, later);
    EXPECT_EQ(archetype_get(16, 1, ComponentId{0}), early);
}

TEST_F(Archetypes, MaskWithIdThirtyOneIsEnteredAndFoundAgain) {
    for (int32_t i = 0; i < 64; ++i)
        component_register(1);
    Archetype* top = archetype_get(2, 2, ComponentId{31}, ComponentId{63});
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(archetype_get(2, 2, ComponentId{63}, ComponentId{31}), top);
    int32_t bucket = mask_bucket(top->mask, top->mask_words);
    EXPECT_EQ(list_items(archetype_table.buckets[bucket].first), std::vector<Archetype*>{top});
}

TEST_F(Archetypes, SeventeenthArchetypeOfABucketOpensItsSecondBlockAndAllAreFound) {
    for (int32_t i = 0; i < 12; ++i)
        component_register(0);
    std::vector<uint32_t> words;
    for (uint32_t word = 0; words.size() < 17; ++word) {
        if (mask_bucket(&word, 1) == 0) words.push_back(word);
    }
    std::vector<Archetype*> created;
    for (uint32_t word : words) {
        ASSERT_EQ(archetype_find(&word, 1), nullptr);
        created.push_back(archetype_create(&word, 1, 0, 4));
        ASSERT_NE(created.back(), nullptr);
    }
    const auto& bucket = archetype_table.buckets[0];
    ASSERT_NE(bucket.first->next, nullptr);
    EXPECT_EQ(bucket.current, bucket.first->next);
    EXPECT_EQ(bucket.first->count, 16);
    EXPECT_EQ(bucket.current->count, 1);
    for (size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(archetype_find(&words[i], 1), created[i]);
}

TEST_F(Archetypes, InvalidArgumentsGiveNullAndEnterNothing) {
    ComponentId big = component_register(8);
    struct Case {
        const char* what;
        Archetype* result;
    };
    const Case cases[] = {
        {"zero rows per chunk", archetype_get(0, 1, big)},
        {"negative rows per chunk", archetype_get(-3, 1, big)},
        {"unregistered id", archetype_get(16, 2, big, ComponentId{1})},
        {"invalid id", archetype_get(16, 1, invalid_component_id)},
        {"negative id count", archetype_get(16, -1)},
        {"data area past 32-bit offsets", archetype_get(INT32_MAX, 1, big)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, nullptr) << c.what;
    EXPECT_TRUE(table_archetypes().empty());
}

TEST_F(Archetypes, RowSizePastThirtyTwoBitsIsRefused) {
    ComponentId huge = component_register(0x7FFFFFF0u), more = component_register(0x7FFFFFF0u);
    EXPECT_EQ(archetype_get(1, 2, huge, more), nullptr);
    EXPECT_TRUE(table_archetypes().empty());
}

TEST_F(Archetypes, WithoutAnyStoreArchetypeGetGivesNull) {
    ecs_fail_allocation_after = 0;
    ecs_init();
    ecs_fail_allocation_after = -1;
    EXPECT_FALSE(ecs_ready());
    ComponentId id = component_register(4);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(archetype_get(16, 1, id), nullptr);
}

}  // namespace
}  // namespace novra
