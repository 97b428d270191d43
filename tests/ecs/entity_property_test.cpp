// Random create, remove and flush sequences against a model of the live entities and their bytes.
#include <algorithm>
#include <cstring>
#include <map>
#include <random>

#include "ecs_test_support.h"

namespace novra {
namespace {

struct LiveEntity {
    Entity handle;
    Archetype* archetype;
    std::vector<std::vector<unsigned char>> bytes;  // one per data column of the archetype
};

struct Model {
    std::vector<LiveEntity> live;
    std::vector<Entity> stale;
    std::vector<EntityRecord*> released;  // the free stack, top last
    std::vector<Entity> queued;
};

bool same_handle(Entity a, Entity b) {
    return a.record == b.record && a.generation == b.generation;
}

// The chain invariant, and every row in use pointing at a record that points back at it.
void check_chain(Archetype* archetype, size_t live_rows) {
    std::vector<Chunk*> chain = chunk_chain(archetype);
    auto current = std::find(chain.begin(), chain.end(), archetype->current_chunk);
    ASSERT_NE(current, chain.end());
    size_t rows = 0;
    for (auto it = chain.begin(); it != chain.end(); ++it) {
        Chunk* chunk = *it;
        ASSERT_EQ(chunk->archetype, archetype);
        ASSERT_EQ(chunk->prev, it == chain.begin() ? nullptr : *(it - 1));
        if (it < current) {
            ASSERT_EQ(chunk->count, archetype->chunk_capacity);
        }
        if (it > current) {
            ASSERT_EQ(chunk->count, 0);
        }
        ASSERT_GE(chunk->count, 0);
        ASSERT_LE(chunk->count, archetype->chunk_capacity);
        for (int32_t row = 0; row < chunk->count; ++row) {
            EntityRecord* record = back_pointers(chunk)[row];
            ASSERT_EQ(record->chunk, chunk);
            ASSERT_EQ(record->row, row);
        }
        rows += size_t(chunk->count);
    }
    ASSERT_EQ(rows, live_rows);
}

class EntityModel : public EcsTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(EntityModel, RandomCreateRemoveFlushKeepsRowsRecordsAndBytesInStep) {
    std::mt19937 random(GetParam());
    ComponentId one = component_register(1), three = component_register(3), eight = component_register(8),
                tag = component_register(0);
    std::map<Archetype*, std::vector<ComponentId>> columns = {
        {archetype_get(1, 2, eight, tag), {eight}},
        {archetype_get(3, 3, eight, one, three), {one, three, eight}},
        {archetype_get(4, 1, tag), {}},
    };
    std::vector<Archetype*> archetypes;
    for (const auto& [archetype, ids] : columns) {
        ASSERT_NE(archetype, nullptr);
        archetypes.push_back(archetype);
    }
    Model model;
    auto below = [&](size_t n) { return size_t(random() % n); };

    auto check_everything = [&] {
        for (Archetype* archetype : archetypes) {
            size_t live_rows =
                size_t(std::count_if(model.live.begin(), model.live.end(),
                                     [&](const LiveEntity& l) { return l.archetype == archetype; }));
            check_chain(archetype, live_rows);
        }
        for (const LiveEntity& live : model.live) {
            EntityRecord* record = live.handle.record;
            ASSERT_EQ(record->generation, live.handle.generation);
            ASSERT_EQ(record->chunk->archetype, live.archetype);
            ASSERT_EQ(back_pointers(record->chunk)[record->row], record);
            const std::vector<ComponentId>& ids = columns[live.archetype];
            for (size_t k = 0; k < ids.size(); ++k) {
                ASSERT_EQ(std::memcmp(entity_component(ids[k], live.handle), live.bytes[k].data(),
                                      live.bytes[k].size()),
                          0);
            }
        }
        for (Entity stale : model.stale)
            ASSERT_NE(stale.record->generation, stale.generation);
    };

    for (int32_t step = 0; step < 2500; ++step) {
        size_t action = below(10);
        if (action < 5) {
            Archetype* archetype = archetypes[below(archetypes.size())];
            Entity e = entity_create(archetype);
            ASSERT_NE(e.record, nullptr);
            ASSERT_EQ(e.generation, e.record->generation);
            if (!model.released.empty()) {
                ASSERT_EQ(e.record, model.released.back()) << "the record released last is reused first";
                model.released.pop_back();
            }
            LiveEntity live{e, archetype, {}};
            for (ComponentId id : columns[archetype]) {
                std::vector<unsigned char> bytes(component_registry.sizes[id]);
                for (unsigned char& byte : bytes)
                    byte = static_cast<unsigned char>(random());
                std::memcpy(entity_component(id, e), bytes.data(), bytes.size());
                live.bytes.push_back(bytes);
            }
            model.live.push_back(live);
        } else if (action < 8 && !model.live.empty()) {
            Entity e = model.live[below(model.live.size())].handle;
            int32_t times = below(4) == 0 ? 2 : 1;
            for (int32_t i = 0; i < times; ++i) {
                entity_remove(e);
                model.queued.push_back(e);
            }
        } else if (action == 8 && !model.stale.empty()) {
            Entity e = model.stale[below(model.stale.size())];
            entity_remove(e);
            model.queued.push_back(e);
        } else {
            std::vector<std::pair<Entity, uint32_t>> carried_out;
            for (auto queued = model.queued.rbegin(); queued != model.queued.rend(); ++queued) {
                auto live = std::find_if(model.live.begin(), model.live.end(),
                                         [&](const LiveEntity& l) { return same_handle(l.handle, *queued); });
                if (live == model.live.end()) continue;
                model.released.push_back(queued->record);
                model.stale.push_back(*queued);
                carried_out.emplace_back(*queued, queued->generation + 1);
                model.live.erase(live);
            }
            model.queued.clear();
            entity_flush_removals();
            ASSERT_EQ(removal_queue.current->count, 0);
            for (const auto& [handle, generation] : carried_out)
                ASSERT_EQ(handle.record->generation, generation);
        }
        check_everything();
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EntityModel, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

}  // namespace
}  // namespace novra
