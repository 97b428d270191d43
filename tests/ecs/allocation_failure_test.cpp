// Each operation with its allocations failing from the first one on, then from the second, and so on:
// every failure must give the empty result and leave the store exactly as it was.
#include "ecs_test_support.h"

namespace novra {
namespace {

// What can be observed of the store: list lengths, links and chunk rows.
struct StoreShape {
    uint32_t registered = 0, capacity = 0;
    std::vector<std::vector<Archetype*>> buckets;
    std::vector<System*> systems;
    std::vector<std::vector<Archetype*>> system_links;
    std::vector<std::vector<System*>> archetype_links;
    std::vector<std::vector<int32_t>> chunk_rows;
    int64_t records = 0, released = 0, queued = 0;
    bool operator==(const StoreShape&) const = default;
};

StoreShape store_shape() {
    StoreShape shape;
    shape.registered = component_registry.count;
    shape.capacity = component_registry.capacity;
    for (const auto& bucket : archetype_table.buckets)
        shape.buckets.push_back(list_items(bucket.first));
    shape.systems = list_items(system_list.systems.first);
    for (System* system : shape.systems)
        shape.system_links.push_back(linked_archetypes(system));
    for (Archetype* archetype : table_archetypes()) {
        shape.archetype_links.push_back(linked_systems(archetype));
        std::vector<int32_t> rows;
        for (Chunk* chunk : chunk_chain(archetype))
            rows.push_back(chunk->count);
        shape.chunk_rows.push_back(rows);
    }
    shape.records = block_item_count(entity_store.records);
    shape.released = block_item_count(entity_store.free_stack);
    shape.queued = block_item_count(removal_queue.current);
    return shape;
}

// Runs `operation` with the k-th allocation and all later ones failing, for k = 0, 1, ... until it
// succeeds; each failed run must leave the store's shape unchanged. Returns the number of failed runs.
template <typename Operation, typename Succeeded>
int32_t fail_each_allocation_in_turn(Operation operation, Succeeded succeeded) {
    for (int32_t k = 0;; ++k) {
        StoreShape before = store_shape();
        ecs_fail_allocation_after = k;
        auto result = operation();
        ecs_fail_allocation_after = -1;
        if (succeeded(result)) return k;
        EXPECT_TRUE(store_shape() == before) << "allocation " << k << " failed and changed the store";
        if (k > 1000) {
            ADD_FAILURE() << "never succeeded";
            return k;
        }
    }
}

using AllocationFailure = EcsTest;

// Tag ids 0 to 11 and the single-word masks of bucket 0 that they can form.
std::vector<std::vector<ComponentId>> bucket_zero_id_lists(size_t count) {
    for (int32_t i = 0; i < 12; ++i)
        component_register(0);
    std::vector<std::vector<ComponentId>> lists;
    for (uint32_t word = 1; lists.size() < count; ++word) {
        if (mask_bucket(&word, 1) != 0) continue;
        std::vector<ComponentId> ids;
        for (ComponentId id = 0; id < 12; ++id) {
            if ((word >> id) & 1) ids.push_back(id);
        }
        lists.push_back(ids);
    }
    return lists;
}

TEST_F(AllocationFailure, RegistryGrowthFailsCleanly) {
    for (int32_t i = 0; i < 16; ++i)
        component_register(4);
    int32_t failures = fail_each_allocation_in_turn(
        [] { return component_register(2); }, [](ComponentId id) { return id != invalid_component_id; });
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(component_registry.sizes[16], 2u);
}

TEST_F(AllocationFailure, ArchetypeGetNeedingNewBucketAndLinkBlocksFailsCleanlyAtEveryStep) {
    std::vector<std::vector<ComponentId>> lists = bucket_zero_id_lists(17);
    for (size_t i = 0; i < 16; ++i)
        ASSERT_NE(archetype_get_list(2, lists[i]), nullptr);
    std::vector<System*> systems;
    for (int32_t i = 0; i < 9; ++i)
        systems.push_back(system_create(ignore_chunk, 0, 0));
    int32_t failures = fail_each_allocation_in_turn([&] { return archetype_get_list(2, lists[16]); },
                                                    [](Archetype* a) { return a != nullptr; });
    // Its own eight allocations (mask, record, mask copy, sizes, map, Chunk, link block, bucket block),
    // then link blocks; a link block made by a failed run stays in its chain for the next run to reuse.
    EXPECT_GT(failures, 8);
    Archetype* last = archetype_get_list(2, lists[16]);
    EXPECT_EQ(linked_systems(last), systems);
    for (System* system : systems)
        EXPECT_EQ(linked_archetypes(system).back(), last);
}

TEST_F(AllocationFailure, SystemCreateLinkingManyArchetypesFailsCleanlyAtEveryStep) {
    std::vector<std::vector<ComponentId>> lists = bucket_zero_id_lists(17);
    for (const auto& ids : lists)
        ASSERT_NE(archetype_get_list(2, ids), nullptr);
    for (int32_t i = 0; i < 8; ++i)
        system_create(ignore_chunk, 0, 0);
    int32_t failures = fail_each_allocation_in_turn(
        [] { return system_create(ignore_chunk, 1, 1, ComponentId{0}, ComponentId{11}); },
        [](System* s) { return s != nullptr; });
    EXPECT_GT(failures, 5);
    System* system = list_items(system_list.systems.first).back();
    for (Archetype* archetype : linked_archetypes(system))
        EXPECT_EQ(linked_systems(archetype).back(), system);
}

TEST_F(AllocationFailure, EntityCreateNeedingAChunkAndARecordBlockFailsCleanly) {
    ComponentId data = component_register(4);
    Archetype* archetype = archetype_get(1, 1, data);
    for (int32_t i = 0; i < 64; ++i)
        ASSERT_NE(entity_create(archetype).record, nullptr);
    int32_t failures = fail_each_allocation_in_turn([&] { return entity_create(archetype); },
                                                    [](Entity e) { return e.record != nullptr; });
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(chunk_chain(archetype).size(), 65u);
}

TEST_F(AllocationFailure, RemovalThatCannotBeQueuedLeavesTheEntity) {
    ComponentId data = component_register(4);
    Archetype* archetype = archetype_get(16, 1, data);
    std::vector<Entity> entities;
    for (int32_t i = 0; i < 65; ++i)
        entities.push_back(entity_create(archetype));
    for (int32_t i = 0; i < 64; ++i)
        entity_remove(entities[i]);
    ecs_fail_allocation_after = 0;
    entity_remove(entities[64]);
    ecs_fail_allocation_after = -1;
    EXPECT_EQ(block_item_count(removal_queue.current), 64);
    entity_flush_removals();
    EXPECT_EQ(entities[64].record->generation, entities[64].generation);
    EXPECT_EQ(archetype->first_chunk->count, 1);
}

TEST_F(AllocationFailure, RemovalWhoseRecordFindsNoRoomOnTheFreeStackIsStillCarriedOut) {
    ComponentId data = component_register(4);
    Archetype* archetype = archetype_get(16, 1, data);
    std::vector<Entity> entities;
    for (int32_t i = 0; i < 66; ++i)
        entities.push_back(entity_create(archetype));
    for (int32_t i = 0; i < 64; ++i)
        entity_remove(entities[i]);
    entity_flush_removals();
    ASSERT_EQ(block_item_count(entity_store.free_stack), 64);
    entity_remove(entities[64]);
    ecs_fail_allocation_after = 0;
    entity_flush_removals();
    ecs_fail_allocation_after = -1;
    EXPECT_EQ(entities[64].record->generation, entities[64].generation + 1);
    EXPECT_EQ(entities[65].record->row, 0);
    EXPECT_EQ(archetype->current_chunk->count + (archetype->current_chunk == archetype->first_chunk ? 0 : 16),
              1);
    EXPECT_EQ(block_item_count(entity_store.free_stack), 64);
    EXPECT_NE(entity_create(archetype).record, entities[64].record);
}

TEST_F(AllocationFailure, FailedInitLeavesNoStoreAndOperationsRefuseWork) {
    for (int32_t k = 0; k < 42; ++k) {
        ecs_fail_allocation_after = k;
        ecs_init();
        ecs_fail_allocation_after = -1;
        ASSERT_FALSE(ecs_ready()) << k;
        EXPECT_EQ(archetype_table.buckets[0].first, nullptr);
        EXPECT_EQ(entity_store.records, nullptr);
        EXPECT_EQ(removal_queue.current, nullptr);
        EXPECT_EQ(component_registry.count, 0u);
        EXPECT_EQ(component_register(8), 0u);  // the registry makes its own array
        EXPECT_EQ(archetype_get(16, 1, ComponentId{0}), nullptr);
        EXPECT_EQ(system_create(ignore_chunk, 1, 0, ComponentId{0}), nullptr);
        entity_remove(Entity{});
        entity_flush_removals();
    }
    ecs_fail_allocation_after = 42;  // 37 buckets, sizes, records, free stack, queue, SystemList
    ecs_init();
    ecs_fail_allocation_after = -1;
    EXPECT_TRUE(ecs_ready());
    EXPECT_EQ(component_registry.capacity, 16u);
}

}  // namespace
}  // namespace novra
