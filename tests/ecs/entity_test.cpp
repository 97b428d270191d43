#include <cstring>
#include <stdexcept>

#include "ecs_test_support.h"

namespace novra {
namespace {

constexpr size_t P = sizeof(void*);

class Entities : public EcsTest {
protected:
    void SetUp() override {
        EcsTest::SetUp();
        position = component_register(8);
        size = component_register(8);
        solid = component_register(0);
        game = archetype_get(16, 3, position, size, solid);
        ASSERT_NE(game, nullptr);
    }
    std::vector<Entity> create(int32_t count) {
        std::vector<Entity> entities;
        for (int32_t i = 0; i < count; ++i)
            entities.push_back(entity_create(game));
        return entities;
    }
    ComponentId position{}, size{}, solid{};
    Archetype* game{};
};

TEST_F(Entities, FirstEntityLandsInRowZeroOfTheFirstChunk) {
    Entity e = entity_create(game);
    ASSERT_NE(e.record, nullptr);
    EXPECT_EQ(e.record->chunk, game->first_chunk);
    EXPECT_EQ(e.record->row, 0);
    EXPECT_EQ(e.generation, e.record->generation);
    EXPECT_EQ(game->first_chunk->count, 1);
    EXPECT_EQ(back_pointers(game->first_chunk)[0], e.record);
}

TEST_F(Entities, SeventeenthEntityOpensASecondChunkLinkedBothWays) {
    std::vector<Entity> entities = create(17);
    Chunk* first = game->first_chunk;
    ASSERT_NE(first->next, nullptr);
    Chunk* second = first->next;
    EXPECT_EQ(first->count, 16);
    EXPECT_EQ(second->prev, first);
    EXPECT_EQ(second->archetype, game);
    EXPECT_EQ(second->count, 1);
    EXPECT_EQ(game->current_chunk, second);
    EXPECT_EQ(entities[16].record->chunk, second);
    EXPECT_EQ(entities[16].record->row, 0);
    EXPECT_EQ(back_pointers(second)[0], entities[16].record);
}

TEST_F(Entities, GameEntityComponentsLieInTheirColumnsAtEightBytesPerRow) {
    std::vector<Entity> entities = create(3);
    for (int32_t row = 0; row < 3; ++row) {
        std::byte* data = chunk_data(game->first_chunk);
        EXPECT_EQ(entity_component(position, entities[row]), data + 16 * P + 8 * row);
        EXPECT_EQ(entity_component(size, entities[row]), data + 16 * (P + 8) + 8 * row);
        if constexpr (sizeof(void*) == 4) {
            EXPECT_EQ(entity_component(position, entities[row]), data + 64 + 8 * row);
            EXPECT_EQ(entity_component(size, entities[row]), data + 192 + 8 * row);
        }
    }
}

TEST_F(Entities, ComponentWithoutAColumnThrowsTheFixedOutOfRangeText) {
    Entity e = entity_create(game);
    ComponentId elsewhere = component_register(4);
    for (ComponentId id : {solid, elsewhere}) {
        try {
            entity_component(id, e);
            ADD_FAILURE() << "no exception for id " << id;
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "invalid unordered_map<K, T> key");
        }
    }
}

TEST_F(Entities, EntityQueuedTwiceIsRemovedOnce) {
    std::vector<Entity> entities = create(3);
    uint32_t generation = entities[0].generation;
    entity_remove(entities[0]);
    entity_remove(entities[0]);
    entity_flush_removals();
    EXPECT_EQ(entities[0].record->generation, generation + 1);
    EXPECT_EQ(game->first_chunk->count, 2);
    EXPECT_EQ(entities[2].record->row, 0);
    EXPECT_EQ(entities[1].record->row, 1);
}

TEST_F(Entities, RemovingTheLastRowMovesNothing) {
    std::vector<Entity> entities = create(3);
    std::memset(entity_component(position, entities[1]), 0x5A, 8);
    entity_remove(entities[2]);
    entity_flush_removals();
    EXPECT_EQ(game->first_chunk->count, 2);
    EXPECT_EQ(entities[2].record->generation, entities[2].generation + 1);
    EXPECT_EQ(entities[0].record->row, 0);
    EXPECT_EQ(entities[1].record->row, 1);
    EXPECT_EQ(back_pointers(game->first_chunk)[1], entities[1].record);
    EXPECT_EQ(*static_cast<unsigned char*>(entity_component(position, entities[1])), 0x5A);
}

TEST_F(Entities, RemovalFromAFullFirstChunkTakesTheSecondChunksRowThenStepsBack) {
    std::vector<Entity> entities = create(17);
    Chunk* first = game->first_chunk;
    Chunk* second = first->next;
    std::memcpy(entity_component(position, entities[16]), "pos-16..", 8);
    std::memcpy(entity_component(size, entities[16]), "size-16.", 8);
    std::memcpy(entity_component(position, entities[15]), "pos-15..", 8);

    entity_remove(entities[3]);
    entity_flush_removals();
    EXPECT_EQ(second->count, 0);
    EXPECT_EQ(game->current_chunk, second);
    EXPECT_EQ(first->count, 16);
    EXPECT_EQ(entities[16].record->chunk, first);
    EXPECT_EQ(entities[16].record->row, 3);
    EXPECT_EQ(back_pointers(first)[3], entities[16].record);
    EXPECT_EQ(std::memcmp(entity_component(position, entities[16]), "pos-16..", 8), 0);
    EXPECT_EQ(std::memcmp(entity_component(size, entities[16]), "size-16.", 8), 0);

    entity_remove(entities[5]);
    entity_flush_removals();
    EXPECT_EQ(game->current_chunk, first);
    EXPECT_EQ(first->count, 15);
    EXPECT_EQ(second->count, 0);
    EXPECT_EQ(entities[15].record->row, 5);
    EXPECT_EQ(std::memcmp(entity_component(position, entities[15]), "pos-15..", 8), 0);

    Entity refill = entity_create(game);  // goes back into the first Chunk's row 15
    EXPECT_EQ(refill.record->chunk, first);
    EXPECT_EQ(refill.record->row, 15);
    Entity next = entity_create(game);  // the emptied second Chunk is reused, not a third one made
    EXPECT_EQ(next.record->chunk, second);
    EXPECT_EQ(second->next, nullptr);
}

TEST_F(Entities, CreateAfterRemovalReusesTheRecordReleasedLastWithTheRaisedGeneration) {
    std::vector<Entity> entities = create(4);
    entity_remove(entities[1]);
    entity_remove(entities[2]);
    entity_flush_removals();  // carries out entities[2] first, so entities[1]'s record is released last
    Entity reused = entity_create(game);
    EXPECT_EQ(reused.record, entities[1].record);
    EXPECT_EQ(reused.generation, entities[1].generation + 1);
    Entity again = entity_create(game);
    EXPECT_EQ(again.record, entities[2].record);

    entity_remove(entities[1]);  // stale: its record now belongs to `reused`
    entity_flush_removals();
    EXPECT_EQ(reused.record->generation, reused.generation);
    EXPECT_EQ(game->first_chunk->count, 4);
}

TEST_F(Entities, QueueIsCarriedOutLastQueuedFirst) {
    std::vector<Entity> e = create(4);
    entity_remove(e[0]);
    entity_remove(e[1]);
    entity_flush_removals();
    // e[1] went first (e[3] into row 1), then e[0] (e[2], now last, into row 0).
    EXPECT_EQ(e[2].record->row, 0);
    EXPECT_EQ(e[3].record->row, 1);
    EXPECT_EQ(entity_create(game).record, e[0].record);
}

TEST_F(Entities, FlushOfAnEmptyQueueChangesNothing) {
    std::vector<Entity> entities = create(2);
    entity_flush_removals();
    EXPECT_EQ(game->first_chunk->count, 2);
    EXPECT_EQ(entities[0].record->generation, entities[0].generation);
    EXPECT_EQ(entities[1].record->row, 1);
    EXPECT_EQ(removal_queue.current->count, 0);
}

TEST_F(Entities, EmptyHandlesAndMissingArchetypesAreHarmless) {
    EXPECT_EQ(entity_create(nullptr).record, nullptr);
    EXPECT_EQ(entity_component(position, Entity{}), nullptr);
    entity_remove(Entity{});
    EXPECT_EQ(removal_queue.current->count, 0);
    entity_flush_removals();
}

}  // namespace
}  // namespace novra
