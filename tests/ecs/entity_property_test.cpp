// Random create, write, remove and flush sequences against the store's model, which the ECS fuzz target
// shares: after every step the rows, records, chains, free stack and written bytes must agree with it.
#include <cstring>
#include <random>

#include "ecs_test_support.h"
#include "tests/shared/ecs_model.h"

namespace novra {
namespace {

class EntityModel : public EcsTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(EntityModel, RandomCreateRemoveFlushKeepsRowsRecordsAndBytesInStep) {
    std::mt19937 random(GetParam());
    EcsModel model;
    model.ready = true;
    for (uint32_t size : {1u, 3u, 8u, 0u}) {
        ASSERT_EQ(component_register(size), model.sizes.size());
        model.sizes.push_back(size);
    }
    const ComponentId one = 0, three = 1, eight = 2, tag = 3;
    const std::pair<int32_t, std::vector<ComponentId>> shapes[] = {
        {1, {eight, tag}}, {3, {eight, one, three}}, {4, {tag}}};
    for (const auto& [rows, ids] : shapes) {
        Archetype* archetype = archetype_get_list(rows, ids);
        ASSERT_NE(archetype, nullptr);
        model_add_archetype(model, archetype, {ids.begin(), ids.end()}, rows);
    }
    auto below = [&](size_t n) { return size_t(random() % n); };

    for (int32_t step = 0; step < 2500; ++step) {
        const size_t action = below(10);
        if (action < 5) {
            const size_t index = below(model.archetypes.size());
            const Entity e = entity_create(model.archetypes[index].archetype);
            ASSERT_NE(e.record, nullptr);
            model_add_entity(model, e, index);
            for (ComponentId id : model.archetypes[index].ids) {
                std::vector<uint8_t> bytes(model.sizes[id]);
                if (bytes.empty()) continue;
                for (uint8_t& byte : bytes)
                    byte = static_cast<uint8_t>(random());
                std::memcpy(entity_component(id, e), bytes.data(), bytes.size());
                model_write(model.live.back(), id, bytes);
            }
        } else if (action < 8 && !model.live.empty()) {
            const Entity e = model.live[below(model.live.size())].handle;
            const int32_t times = below(4) == 0 ? 2 : 1;
            for (int32_t i = 0; i < times; ++i) {
                entity_remove(e);
                model.queued.push_back(e);
            }
        } else if (action == 8 && !model.stale.empty()) {
            const Entity e = model.stale[below(model.stale.size())];
            entity_remove(e);
            model.queued.push_back(e);
        } else {
            const std::vector<Entity> carried_out = model_flush(model, -1);
            entity_flush_removals();
            for (const Entity& handle : carried_out)
                ASSERT_EQ(handle.record->generation, handle.generation + 1);
        }
        ASSERT_NO_THROW(model_check_store(model)) << "step " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EntityModel, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

}  // namespace
}  // namespace novra
