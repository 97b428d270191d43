// Random registrations, archetype_get and system_create against a model of which Systems select which
// Archetypes, with masks of different lengths mixed as types keep being registered.
#include <algorithm>
#include <random>
#include <set>

#include "ecs_test_support.h"

namespace novra {
namespace {

struct ModelArchetype {
    std::set<ComponentId> ids;
    Archetype* archetype;
    std::vector<System*> systems;  // expected links, in order
};

struct ModelSystem {
    std::set<ComponentId> include, exclude;
    System* system;
    std::vector<Archetype*> archetypes;  // expected links, in order
};

bool selects(const ModelSystem& s, const std::set<ComponentId>& ids) {
    bool has_all = std::includes(ids.begin(), ids.end(), s.include.begin(), s.include.end());
    bool has_none =
        std::none_of(s.exclude.begin(), s.exclude.end(), [&](ComponentId id) { return ids.count(id) != 0; });
    return has_all && has_none;
}

class MatchingModel : public EcsTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(MatchingModel, LinksFollowTheSelectionRuleAndTheOrderOfCreation) {
    std::mt19937 random(GetParam());
    auto below = [&](size_t n) { return size_t(random() % n); };
    std::vector<uint32_t> sizes;
    visit_column_count = 0;
    std::vector<ModelArchetype> archetypes;
    std::vector<ModelSystem> systems;
    auto random_ids = [&](size_t most) {
        std::vector<ComponentId> ids;
        size_t count = below(most + 1);
        for (size_t i = 0; i < count; ++i)
            ids.push_back(ComponentId(below(sizes.size())));
        return ids;
    };

    for (int32_t step = 0; step < 400; ++step) {
        size_t action = below(10);
        if (action < 3 && sizes.size() < 100) {
            uint32_t size = below(3) == 0 ? 0 : uint32_t(1 + below(4));
            ASSERT_EQ(component_register(size), ComponentId(sizes.size()));
            sizes.push_back(size);
        } else if (action < 7 && !sizes.empty()) {
            std::vector<ComponentId> ids = random_ids(6);
            std::set<ComponentId> id_set(ids.begin(), ids.end());
            Archetype* archetype = archetype_get_list(int32_t(1 + below(5)), ids);
            ASSERT_NE(archetype, nullptr);
            auto known = std::find_if(archetypes.begin(), archetypes.end(),
                                      [&](const ModelArchetype& a) { return a.ids == id_set; });
            if (known != archetypes.end()) {
                ASSERT_EQ(archetype, known->archetype);
                continue;
            }
            for (const ModelArchetype& a : archetypes)
                ASSERT_NE(a.archetype, archetype);
            ModelArchetype created{id_set, archetype, {}};
            for (ModelSystem& s : systems) {
                if (!selects(s, id_set)) continue;
                s.archetypes.push_back(archetype);
                created.systems.push_back(s.system);
            }
            archetypes.push_back(created);
        } else if (action >= 7 && !sizes.empty()) {
            std::vector<ComponentId> include = random_ids(4), exclude = random_ids(3);
            System* system = system_create_list(record_visit, include, exclude);
            ASSERT_NE(system, nullptr);
            std::vector<ComponentId> data_ids;
            for (ComponentId id : include) {
                if (sizes[id] != 0) data_ids.push_back(id);
            }
            ASSERT_EQ(std::vector<ComponentId>(system->data_ids, system->data_ids + system->data_count),
                      data_ids);
            ModelSystem created{
                {include.begin(), include.end()}, {exclude.begin(), exclude.end()}, system, {}};
            // Existing Archetypes are linked bucket by bucket, each bucket in order of creation.
            std::vector<ModelArchetype*> by_bucket;
            for (ModelArchetype& a : archetypes)
                by_bucket.push_back(&a);
            std::stable_sort(by_bucket.begin(), by_bucket.end(), [](ModelArchetype* x, ModelArchetype* y) {
                return mask_bucket(x->archetype->mask, x->archetype->mask_words) <
                       mask_bucket(y->archetype->mask, y->archetype->mask_words);
            });
            for (ModelArchetype* a : by_bucket) {
                if (!selects(created, a->ids)) continue;
                created.archetypes.push_back(a->archetype);
                a->systems.push_back(system);
            }
            systems.push_back(created);
        }
        for (const ModelSystem& s : systems)
            ASSERT_EQ(linked_archetypes(s.system), s.archetypes) << "step " << step;
        for (const ModelArchetype& a : archetypes)
            ASSERT_EQ(linked_systems(a.archetype), a.systems) << "step " << step;
    }
    ASSERT_GT(sizes.size(), 32u) << "the run should reach masks of more than one word";

    for (const ModelSystem& s : systems) {
        for (const ArchetypeLink& link : list_items(s.system->first_link)) {
            ASSERT_EQ(link.partner->system, s.system);
            ASSERT_EQ(link.partner->partner->archetype, link.archetype);
        }
        chunk_visits.clear();
        system_run(s.system);
        std::vector<Chunk*> expected;
        for (Archetype* a : s.archetypes)
            expected.push_back(a->first_chunk);
        std::vector<Chunk*> visited;
        for (const ChunkVisit& visit : chunk_visits)
            visited.push_back(visit.chunk);
        ASSERT_EQ(visited, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, MatchingModel, ::testing::Values(11u, 12u, 13u, 14u, 15u, 16u, 17u, 18u));

}  // namespace
}  // namespace novra
