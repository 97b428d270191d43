// Shared helpers of the store's tests: fresh stores per test, list walks, and calls with id lists built
// at run time.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdarg>
#include <utility>
#include <vector>

#include "ecs/allocation.h"
#include "ecs/ecs.h"
#include "ecs/mask.h"
#include "ecs/archetype.h"
#include "ecs/store.h"
#include "tests/shared/id_list_calls.h"

namespace novra {

// Every test starts from fresh stores with allocations allowed.
class EcsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ecs_fail_allocation_after = -1;
        ecs_init();
        ASSERT_TRUE(ecs_ready());
    }
    void TearDown() override { ecs_fail_allocation_after = -1; }
};

// The items of a list, walked from its first block.
template <typename Item, int32_t N>
std::vector<Item> list_items(const Block<Item, N>* first) {
    std::vector<Item> items;
    for (const Block<Item, N>* block = first; block != nullptr; block = block->next) {
        items.insert(items.end(), block->items, block->items + block->count);
    }
    return items;
}

inline std::vector<Archetype*> linked_archetypes(const System* system) {
    std::vector<Archetype*> archetypes;
    for (const ArchetypeLink& link : list_items(system->first_link))
        archetypes.push_back(link.archetype);
    return archetypes;
}

inline std::vector<System*> linked_systems(const Archetype* archetype) {
    std::vector<System*> systems;
    for (const SystemLink& link : list_items(archetype->first_link))
        systems.push_back(link.system);
    return systems;
}

// Every Archetype in the table's walk order: buckets 0 to 36, each in order of entry.
inline std::vector<Archetype*> table_archetypes() {
    std::vector<Archetype*> archetypes;
    for (const auto& bucket : archetype_table.buckets) {
        for (Archetype* archetype : list_items(bucket.first))
            archetypes.push_back(archetype);
    }
    return archetypes;
}

inline std::vector<Chunk*> chunk_chain(const Archetype* archetype) {
    std::vector<Chunk*> chunks;
    for (Chunk* chunk = archetype->first_chunk; chunk != nullptr; chunk = chunk->next)
        chunks.push_back(chunk);
    return chunks;
}

inline EntityRecord** back_pointers(Chunk* chunk) {
    return reinterpret_cast<EntityRecord**>(chunk_data(chunk));
}

inline ComponentMask build_mask(int32_t id_count, ...) {
    std::va_list ids;
    va_start(ids, id_count);
    ComponentMask mask = mask_build(id_count, &ids);
    va_end(ids);
    return mask;
}

inline System* system_create_list(SystemCallback callback, const std::vector<ComponentId>& include,
                                  const std::vector<ComponentId>& exclude) {
    std::vector<ComponentId> ids = include;
    ids.insert(ids.end(), exclude.begin(), exclude.end());
    return system_create_list(callback, int32_t(include.size()), ids);
}

// What a recording callback saw in one call.
struct ChunkVisit {
    Chunk* chunk;
    int32_t count;
    std::vector<void*> columns;
};
extern std::vector<ChunkVisit> chunk_visits;
extern int32_t visit_column_count;  // how many column pointers record_visit keeps

inline void record_visit(Chunk* chunk, void* const* columns) {
    chunk_visits.push_back(
        ChunkVisit{chunk, chunk->count, std::vector<void*>(columns, columns + visit_column_count)});
}

inline void ignore_chunk(Chunk*, void* const*) {}

}  // namespace novra
