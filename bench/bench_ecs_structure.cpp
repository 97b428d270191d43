// The store's structural operations, per operation: entity creation into fresh and into reused Chunks,
// removal with its flush, lookup of an existing Archetype, and System creation against many Archetypes.
// Each benchmark iteration builds a fresh store untimed and then times one batch; the fastest batch
// counts, as elsewhere (bench/same_run.h).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "ecs/ecs.h"
#include "game/game.h"
#include "game/world.h"

namespace novra {
namespace {

using bench_clock = std::chrono::steady_clock;

double nanoseconds(bench_clock::duration span) {
    return std::chrono::duration<double, std::nano>(span).count();
}

// Times `operation` once, keeping the fastest time in `fastest`.
template <typename Operation>
void time_into(bench_clock::duration& fastest, Operation operation) {
    const bench_clock::time_point start = bench_clock::now();
    operation();
    benchmark::ClobberMemory();
    fastest = std::min(fastest, bench_clock::now() - start);
}

// N entities of Position and Size: created into a fresh Archetype (every Chunk and record block newly
// allocated), all removed, and created again into the Chunks and records the removals left. The removals
// are queued newest first, so the flush, which carries out the last queued first, takes the oldest
// entity each time and moves the Archetype's last row into its hole.
void BM_EntityCreateRemove(benchmark::State& state) {
    const int32_t entities = static_cast<int32_t>(state.range(0));
    const int32_t rows_per_chunk = static_cast<int32_t>(state.range(1));
    std::vector<Entity> handles(entities);
    bench_clock::duration create = bench_clock::duration::max(), remove = create, recreate = create;
    for (auto _ : state) {
        ecs_init();
        const ComponentId position = component_register(sizeof(Position));
        const ComponentId size = component_register(sizeof(Size));
        Archetype* archetype = archetype_get(rows_per_chunk, 2, position, size);
        time_into(create, [&] {
            for (int32_t i = 0; i < entities; ++i)
                handles[i] = entity_create(archetype);
        });
        time_into(remove, [&] {
            for (int32_t i = entities - 1; i >= 0; --i)
                entity_remove(handles[i]);
            entity_flush_removals();
        });
        time_into(recreate, [&] {
            for (int32_t i = 0; i < entities; ++i)
                handles[i] = entity_create(archetype);
        });
        if (handles[entities - 1].record == nullptr) state.SkipWithError("entity_create failed");
    }
    state.counters["create_ns"] = nanoseconds(create) / entities;
    state.counters["remove+flush_ns"] = nanoseconds(remove) / entities;
    state.counters["create_reused_ns"] = nanoseconds(recreate) / entities;
    ecs_init();
}
BENCHMARK(BM_EntityCreateRemove)
    ->ArgNames({"entities", "rows"})
    ->ArgsProduct({{1'000, 100'000}, {16, 1024}})
    ->Unit(benchmark::kMillisecond);

constexpr int32_t extra_components = 10;

// The ids of Archetype number `subset`: component 0 and the further components whose bits `subset` sets.
// Returns how many of the ids in `chosen` are in use.
int32_t archetype_ids(int32_t subset, const std::vector<ComponentId>& ids, ComponentId* chosen) {
    int32_t count = 0;
    chosen[count++] = ids[0];
    for (int32_t bit = 0; bit < extra_components; ++bit) {
        if (subset & (1 << bit)) chosen[count++] = ids[bit + 1];
    }
    return count;
}

// archetype_get of Archetype number `subset`; only the first `count` ids passed are read.
Archetype* archetype_get_subset(int32_t subset, const std::vector<ComponentId>& ids) {
    ComponentId chosen[extra_components + 1] = {};
    const int32_t count = archetype_ids(subset, ids, chosen);
    return archetype_get(16, count, chosen[0], chosen[1], chosen[2], chosen[3], chosen[4], chosen[5],
                         chosen[6], chosen[7], chosen[8], chosen[9], chosen[10]);
}

// A store with `archetypes` Archetypes (at most 2^10), each holding component 0 and its own subset of
// ten further components. Returns the ids, component 0 first.
std::vector<ComponentId> store_with_archetypes(int32_t archetypes) {
    ecs_init();
    std::vector<ComponentId> ids;
    for (int32_t i = 0; i <= extra_components; ++i)
        ids.push_back(component_register(8));
    for (int32_t subset = 0; subset < archetypes; ++subset)
        archetype_get_subset(subset, ids);
    return ids;
}

// archetype_get of the Archetype created last among `archetypes`, so the last of its bucket: one mask
// built and released, one bucket walked to its end.
void BM_ArchetypeGetExisting(benchmark::State& state) {
    const int32_t archetypes = static_cast<int32_t>(state.range(0));
    const std::vector<ComponentId> ids = store_with_archetypes(archetypes);
    constexpr int32_t lookups = 1000;
    bench_clock::duration fastest = bench_clock::duration::max();
    Archetype* found = nullptr;
    for (auto _ : state) {
        time_into(fastest, [&] {
            for (int32_t i = 0; i < lookups; ++i)
                found = archetype_get_subset(archetypes - 1, ids);
        });
    }
    if (found == nullptr) state.SkipWithError("the Archetype was not found");
    state.counters["get_ns"] = nanoseconds(fastest) / lookups;
    ecs_init();
}
BENCHMARK(BM_ArchetypeGetExisting)->ArgName("archetypes")->Arg(1)->Arg(64)->Arg(1024);

// system_create including component 0, which every one of the `archetypes` Archetypes holds, so each
// creation links with all of them.
void BM_SystemCreate(benchmark::State& state) {
    const int32_t archetypes = static_cast<int32_t>(state.range(0));
    constexpr int32_t systems = 16;
    bench_clock::duration fastest = bench_clock::duration::max();
    for (auto _ : state) {
        const std::vector<ComponentId> ids = store_with_archetypes(archetypes);
        time_into(fastest, [&] {
            for (int32_t i = 0; i < systems; ++i)
                benchmark::DoNotOptimize(system_create([](Chunk*, void* const*) {}, 1, 0, ids[0]));
        });
    }
    state.counters["create_ns"] = nanoseconds(fastest) / systems;
    state.counters["ns/archetype"] = nanoseconds(fastest) / systems / archetypes;
    ecs_init();
}
BENCHMARK(BM_SystemCreate)->ArgName("archetypes")->Arg(1)->Arg(64)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace novra

BENCHMARK_MAIN();
