// Random registrations, archetype_get and system_create against the store's model of which Systems
// select which Archetypes and in what order they are linked, with masks of different lengths mixed as
// types keep being registered.
#include <algorithm>
#include <random>
#include <set>

#include "ecs_test_support.h"
#include "tests/shared/ecs_model.h"

namespace novra {
namespace {

class MatchingModel : public EcsTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(MatchingModel, LinksFollowTheSelectionRuleAndTheOrderOfCreation) {
    std::mt19937 random(GetParam());
    auto below = [&](size_t n) { return size_t(random() % n); };
    EcsModel model;
    model.ready = true;
    visit_column_count = 0;
    auto random_ids = [&](size_t most) {
        std::vector<ComponentId> ids;
        size_t count = below(most + 1);
        for (size_t i = 0; i < count; ++i)
            ids.push_back(ComponentId(below(model.sizes.size())));
        return ids;
    };

    for (int32_t step = 0; step < 400; ++step) {
        size_t action = below(10);
        if (action < 3 && model.sizes.size() < 100) {
            uint32_t size = below(3) == 0 ? 0 : uint32_t(1 + below(4));
            ASSERT_EQ(component_register(size), ComponentId(model.sizes.size()));
            model.sizes.push_back(size);
        } else if (action < 7 && !model.sizes.empty()) {
            std::vector<ComponentId> ids = random_ids(6);
            std::set<ComponentId> id_set(ids.begin(), ids.end());
            const int32_t rows = int32_t(1 + below(5));
            Archetype* archetype = archetype_get_list(rows, ids);
            ASSERT_NE(archetype, nullptr);
            auto known = std::find_if(model.archetypes.begin(), model.archetypes.end(),
                                      [&](const ModelArchetype& a) { return a.ids == id_set; });
            if (known != model.archetypes.end()) {
                ASSERT_EQ(archetype, known->archetype);
                continue;
            }
            model_add_archetype(model, archetype, id_set, rows);
        } else if (action >= 7 && !model.sizes.empty()) {
            std::vector<ComponentId> include = random_ids(4), exclude = random_ids(3);
            System* system = system_create_list(record_visit, include, exclude);
            ASSERT_NE(system, nullptr);
            std::vector<ComponentId> ids = include;
            ids.insert(ids.end(), exclude.begin(), exclude.end());
            model_add_system(model, system, include.size(), ids);
        }
        // Every System's data ids and links, every Archetype's links, each pair naming its partner.
        ASSERT_NO_THROW(model_check_store(model)) << "step " << step;
    }
    ASSERT_GT(model.sizes.size(), 32u) << "the run should reach masks of more than one word";

    for (const ModelSystem& s : model.systems) {
        chunk_visits.clear();
        system_run(s.system);
        std::vector<Chunk*> expected;
        for (size_t a : s.links)
            expected.push_back(model.archetypes[a].archetype->first_chunk);
        std::vector<Chunk*> visited;
        for (const ChunkVisit& visit : chunk_visits)
            visited.push_back(visit.chunk);
        ASSERT_EQ(visited, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, MatchingModel, ::testing::Values(11u, 12u, 13u, 14u, 15u, 16u, 17u, 18u));

}  // namespace
}  // namespace novra
