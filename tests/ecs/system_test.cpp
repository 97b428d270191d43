#include <cstring>

#include "ecs_test_support.h"

namespace novra {

std::vector<ChunkVisit> chunk_visits;
int32_t visit_column_count = 0;

namespace {

class Systems : public EcsTest {
protected:
    void SetUp() override {
        EcsTest::SetUp();
        chunk_visits.clear();
        visit_column_count = 0;
        position = component_register(8);
        size = component_register(8);
        solid = component_register(0);
    }
    ComponentId position{}, size{}, solid{};
};

std::vector<Chunk*> visited_chunks() {
    std::vector<Chunk*> chunks;
    for (const ChunkVisit& visit : chunk_visits)
        chunks.push_back(visit.chunk);
    return chunks;
}

TEST_F(Systems, GameSystemPassesThePositionAndSizeColumnsOfEachChunk) {
    Archetype* game = archetype_get(16, 3, position, size, solid);
    System* system = system_create(record_visit, 3, 0, position, size, solid);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->data_count, 2);
    EXPECT_EQ(system->data_ids[0], position);
    EXPECT_EQ(system->data_ids[1], size);
    EXPECT_EQ(system->callback, &record_visit);
    EXPECT_EQ(linked_archetypes(system), std::vector<Archetype*>{game});
    EXPECT_EQ(linked_systems(game), std::vector<System*>{system});

    Entity e = entity_create(game);
    const int32_t box[2] = {30, 30};
    std::memcpy(entity_component(position, e), box, 8);
    visit_column_count = 2;
    system_run(system);
    ASSERT_EQ(chunk_visits.size(), 1u);
    EXPECT_EQ(chunk_visits[0].chunk, game->first_chunk);
    EXPECT_EQ(chunk_visits[0].count, 1);
    EXPECT_EQ(chunk_visits[0].columns[0], entity_component(position, e));
    EXPECT_EQ(chunk_visits[0].columns[1], entity_component(size, e));
}

TEST_F(Systems, LinkEntriesOfAPairPointAtEachOther) {
    Archetype* game = archetype_get(16, 3, position, size, solid);
    System* system = system_create(ignore_chunk, 1, 0, position);
    ArchetypeLink& to_archetype = system->first_link->items[0];
    SystemLink& to_system = game->first_link->items[0];
    EXPECT_EQ(to_archetype.archetype, game);
    EXPECT_EQ(to_archetype.partner, &to_system);
    EXPECT_EQ(to_system.system, system);
    EXPECT_EQ(to_system.partner, &to_archetype);
}

TEST_F(Systems, ArchetypesMadeBeforeAndAfterTheSystemAreVisitedEarlierFirst) {
    Archetype* before = archetype_get(4, 2, position, solid);
    System* system = system_create(record_visit, 1, 0, position);
    Archetype* after = archetype_get(4, 2, position, size);
    EXPECT_TRUE(linked_systems(before) == std::vector<System*>{system});
    EXPECT_EQ(linked_archetypes(system), (std::vector<Archetype*>{before, after}));
    system_run(system);
    EXPECT_EQ(visited_chunks(), (std::vector<Chunk*>{before->first_chunk, after->first_chunk}));
}

TEST_F(Systems, AnArchetypeWithAnExcludedComponentIsNeverLinked) {
    Archetype* before = archetype_get(4, 3, position, size, solid);
    Archetype* plain = archetype_get(4, 2, position, size);
    System* system = system_create(record_visit, 2, 1, position, size, solid);
    ComponentId extra = component_register(4);
    Archetype* after = archetype_get(4, 4, position, size, solid, extra);
    Archetype* later_plain = archetype_get(4, 3, position, size, extra);
    EXPECT_EQ(linked_archetypes(system), (std::vector<Archetype*>{plain, later_plain}));
    EXPECT_TRUE(linked_systems(before).empty());
    EXPECT_TRUE(linked_systems(after).empty());
}

TEST_F(Systems, TagOnlyIncludesGiveNoDataIdsAndTheCallbackOnlyTheChunk) {
    Archetype* game = archetype_get(16, 3, position, size, solid);
    System* system = system_create(record_visit, 1, 0, solid);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->data_count, 0);
    system_run(system);
    ASSERT_EQ(chunk_visits.size(), 1u);
    EXPECT_EQ(chunk_visits[0].chunk, game->first_chunk);
}

TEST_F(Systems, RepeatedIncludeIdIsADataIdTwice) {
    archetype_get(16, 2, position, size);
    System* system = system_create(record_visit, 3, 0, size, position, size);
    ASSERT_EQ(system->data_count, 3);
    EXPECT_EQ(system->data_ids[0], size);
    EXPECT_EQ(system->data_ids[1], position);
    EXPECT_EQ(system->data_ids[2], size);
    visit_column_count = 3;
    system_run(system);
    ASSERT_EQ(chunk_visits.size(), 1u);
    EXPECT_EQ(chunk_visits[0].columns[0], chunk_visits[0].columns[2]);
}

TEST_F(Systems, RunVisitsChunksUpToTheFirstThatIsNotFull) {
    struct Case {
        int32_t created, removed;
        std::vector<int32_t> counts;
    };
    const Case cases[] = {
        {0, 0, {0}},            // an Archetype without entities still gets its first Chunk
        {5, 0, {5}},            //
        {16, 0, {16}},          // full and alone
        {17, 1, {16, 0}},       // full, then the emptied second Chunk
        {20, 0, {16, 4}},       //
        {48, 0, {16, 16, 16}},  //
        {40, 12, {16, 12}},     // a third Chunk emptied by removals is not reached
    };
    for (const Case& c : cases) {
        ecs_init();
        ComponentId p = component_register(8);
        Archetype* archetype = archetype_get(16, 1, p);
        System* system = system_create(record_visit, 1, 0, p);
        std::vector<Entity> entities;
        for (int32_t i = 0; i < c.created; ++i)
            entities.push_back(entity_create(archetype));
        for (int32_t i = 0; i < c.removed; ++i)
            entity_remove(entities[i]);
        entity_flush_removals();
        chunk_visits.clear();
        visit_column_count = 1;
        system_run(system);
        std::vector<int32_t> counts;
        std::vector<Chunk*> chain = chunk_chain(archetype);
        for (size_t i = 0; i < chunk_visits.size(); ++i) {
            counts.push_back(chunk_visits[i].count);
            EXPECT_EQ(chunk_visits[i].chunk, chain[i]);
            EXPECT_EQ(chunk_visits[i].columns[0], chunk_data(chain[i]) + 16 * sizeof(void*));
        }
        EXPECT_EQ(counts, c.counts) << c.created << " created, " << c.removed << " removed";
    }
}

TEST_F(Systems, EmptyIncludeAndExcludeSelectEveryArchetype) {
    Archetype* a = archetype_get(4, 1, position);
    Archetype* b = archetype_get(4, 0);
    System* system = system_create(ignore_chunk, 0, 0);
    Archetype* c = archetype_get(4, 2, size, solid);
    std::vector<Archetype*> expected = table_archetypes();
    expected.erase(std::find(expected.begin(), expected.end(), c));
    expected.push_back(c);
    EXPECT_EQ(linked_archetypes(system), expected);
    EXPECT_EQ(expected.size(), 3u);
    EXPECT_NE(std::find(expected.begin(), expected.end(), a), expected.end());
    EXPECT_NE(std::find(expected.begin(), expected.end(), b), expected.end());
}

TEST_F(Systems, NinthLinkOfASystemOrAnArchetypeOpensTheSecondBlock) {
    for (int32_t i = 0; i < 9; ++i)
        component_register(0);
    std::vector<Archetype*> archetypes;
    for (ComponentId id = 3; id < 12; ++id)
        archetypes.push_back(archetype_get(2, 2, position, id));
    System* system = system_create(ignore_chunk, 1, 0, position);
    ASSERT_NE(system->first_link->next, nullptr);
    EXPECT_EQ(system->first_link->count, 8);
    EXPECT_EQ(system->current_link->count, 1);
    EXPECT_EQ(linked_archetypes(system).size(), 9u);

    Archetype* shared = archetypes[0];
    for (int32_t i = 0; i < 8; ++i)
        system_create(ignore_chunk, 1, 0, position);
    ASSERT_NE(shared->first_link->next, nullptr);
    EXPECT_EQ(shared->current_link, shared->first_link->next);
    EXPECT_EQ(linked_systems(shared).size(), 9u);
}

TEST_F(Systems, IncludeIdInAWordTheArchetypeLacksIsNotSelected) {
    Archetype* early = archetype_get(4, 1, position);
    for (int32_t i = 0; i < 40; ++i)
        component_register(0);
    ComponentId late = 40;
    System* wants_late = system_create(ignore_chunk, 2, 0, position, late);
    System* excludes_late = system_create(ignore_chunk, 1, 1, position, late);
    EXPECT_TRUE(linked_archetypes(wants_late).empty());
    EXPECT_EQ(linked_archetypes(excludes_late), std::vector<Archetype*>{early});
    Archetype* both = archetype_get(4, 2, position, late);
    EXPECT_EQ(linked_archetypes(wants_late), std::vector<Archetype*>{both});
    EXPECT_EQ(linked_archetypes(excludes_late), std::vector<Archetype*>{early});
}

TEST_F(Systems, MoreThanSixteenDataComponentsStillGetEveryColumn) {
    std::vector<ComponentId> ids;
    for (int32_t i = 0; i < 20; ++i)
        ids.push_back(component_register(uint32_t(i + 1)));
    Archetype* wide = archetype_get_list(3, ids);
    System* system = system_create_list(record_visit, ids, {});
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(system, nullptr);
    ASSERT_EQ(system->data_count, 20);
    Entity e = entity_create(wide);
    visit_column_count = 20;
    system_run(system);
    system_run(system);
    ASSERT_EQ(chunk_visits.size(), 2u);
    for (const ChunkVisit& visit : chunk_visits) {
        for (size_t k = 0; k < ids.size(); ++k)
            EXPECT_EQ(visit.columns[k], entity_component(ids[k], e)) << k;
    }
}

TEST_F(Systems, InvalidArgumentsGiveNullAndListNothing) {
    struct Case {
        const char* what;
        System* result;
    };
    const Case cases[] = {
        {"unregistered include", system_create(ignore_chunk, 1, 0, ComponentId{3})},
        {"unregistered exclude", system_create(ignore_chunk, 1, 1, position, ComponentId{99})},
        {"invalid id", system_create(ignore_chunk, 0, 1, invalid_component_id)},
        {"negative include count", system_create(ignore_chunk, -1, 0)},
        {"negative exclude count", system_create(ignore_chunk, 0, -2)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, nullptr) << c.what;
    EXPECT_EQ(system_list.systems.first->count, 0);
    system_run(nullptr);
}

}  // namespace
}  // namespace novra
