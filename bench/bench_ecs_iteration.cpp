// system_run over N entities of Position and Size, the callback summing both columns, against the same
// sums over two plain contiguous arrays (the limit of a column walk), timed in the same run. A third
// figure walks the same Chunks by hand, without system_run or a callback: it separates what the store's
// code costs from what the chunked layout itself costs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/allocation_count.h"
#include "bench/same_run.h"
#include "ecs/ecs.h"
#include "game/game.h"
#include "game/world.h"

namespace novra {
namespace {

// The System's callback cannot take a context, so its sum goes to a program-wide total.
uint32_t system_total = 0;

// Wrapping unsigned sums: defined on overflow, and the same in both loops, so the totals must agree.
uint32_t sum_rows(const Position* positions, const Size* sizes, int32_t count) {
    uint32_t total = 0;
    for (int32_t i = 0; i < count; ++i) {
        total += uint32_t(positions[i].x) + uint32_t(positions[i].y) + uint32_t(sizes[i].width) +
                 uint32_t(sizes[i].height);
    }
    return total;
}

void sum_chunk(Chunk* chunk, void* const* columns) {
    system_total += sum_rows(static_cast<const Position*>(columns[0]), static_cast<const Size*>(columns[1]),
                             chunk->count);
}

Position position_of(int32_t i) {
    return Position{i, i >> 3};
}
Size size_of(int32_t i) {
    return Size{i & 63, 7 - (i & 7)};
}

void BM_SystemRunVsArrays(benchmark::State& state) {
    const int32_t entities = static_cast<int32_t>(state.range(0));
    const int32_t rows_per_chunk = static_cast<int32_t>(state.range(1));
    ecs_init();
    const ComponentId position = component_register(sizeof(Position));
    const ComponentId size = component_register(sizeof(Size));
    Archetype* archetype = archetype_get(rows_per_chunk, 2, position, size);
    System* system = system_create(sum_chunk, 2, 0, position, size);
    if (archetype == nullptr || system == nullptr) {
        state.SkipWithError("the store could not be made");
        return;
    }
    for (int32_t i = 0; i < entities; ++i) {
        const Entity entity = entity_create(archetype);
        *static_cast<Position*>(entity_component(position, entity)) = position_of(i);
        *static_cast<Size*>(entity_component(size, entity)) = size_of(i);
    }
    std::vector<Position> positions(entities);
    std::vector<Size> sizes(entities);
    for (int32_t i = 0; i < entities; ++i) {
        positions[i] = position_of(i);
        sizes[i] = size_of(i);
    }

    const uint32_t position_offset = archetype->column_offsets->at(position);
    const uint32_t size_offset = archetype->column_offsets->at(size);

    uint32_t chunk_total = 0, array_total = 0;
    system_total = 0;
    const auto [system_ns, chunks_ns, arrays_ns] = fastest_batches(
        state, std::max(1, 1'000'000 / entities), [&] { system_run(system); },
        [&] {
            for (Chunk* chunk = archetype->first_chunk; chunk != nullptr; chunk = chunk->next) {
                chunk_total +=
                    sum_rows(reinterpret_cast<const Position*>(chunk_data(chunk) + position_offset),
                             reinterpret_cast<const Size*>(chunk_data(chunk) + size_offset), chunk->count);
                if (chunk->count != rows_per_chunk) break;
            }
        },
        [&] { array_total += sum_rows(positions.data(), sizes.data(), entities); });
    if (system_total != array_total || chunk_total != array_total)
        state.SkipWithError("the System, the Chunks and the arrays summed differently");
    state.counters["system_ns/entity"] = system_ns / entities;
    state.counters["chunks_ns/entity"] = chunks_ns / entities;
    state.counters["arrays_ns/entity"] = arrays_ns / entities;
    state.counters["system/arrays"] = system_ns / arrays_ns;
    state.counters["chunks/arrays"] = chunks_ns / arrays_ns;

    const uint64_t allocations_before = heap_allocations();
    system_run(system);
    state.counters["allocations/run"] = double(heap_allocations() - allocations_before);
    if (!heap_allocations_counted()) state.SkipWithError("heap allocations are not being counted");
    ecs_init();
}
BENCHMARK(BM_SystemRunVsArrays)
    ->ArgNames({"entities", "rows"})
    ->ArgsProduct({{1'000, 100'000, 1'000'000}, {16, 256, 1024}});

// Where the chunked layout's cost comes from, without the store: the same 16 bytes per entity as two
// plain arrays of (x, y) pairs, then cut into blocks of 1,024 rows, each an 8 KiB run of the first
// column followed by an 8 KiB run of the second (a Chunk of 1,024 rows without its back-pointers),
// summed row by row as a System callback does, and one column run after the other; and blocks that also
// hold an 8 KiB run in front which is never read (the back-pointers), summed row by row.
uint32_t sum_pair_rows(const int32_t* first, const int32_t* second, int32_t rows) {
    uint32_t total = 0;
    for (int32_t i = 0; i < rows; ++i) {
        total += uint32_t(first[2 * i]) + uint32_t(first[2 * i + 1]) + uint32_t(second[2 * i]) +
                 uint32_t(second[2 * i + 1]);
    }
    return total;
}

uint32_t sum_values(const int32_t* values, int32_t count) {
    uint32_t total = 0;
    for (int32_t i = 0; i < count; ++i)
        total += uint32_t(values[i]);
    return total;
}

void BM_ColumnRunsVsArrays(benchmark::State& state) {
    const int32_t entities = static_cast<int32_t>(state.range(0));
    constexpr int32_t rows_per_block = 1024, run = 2 * rows_per_block;  // int32 values per column run
    const int32_t blocks = entities / rows_per_block, rows = blocks * rows_per_block;
    std::vector<int32_t> firsts(2 * size_t(rows)), seconds(2 * size_t(rows)), block_memory(4 * size_t(rows));
    std::vector<int32_t> gapped_memory(6 * size_t(rows), 0);
    for (int32_t i = 0; i < rows; ++i) {
        const Position position = position_of(i);
        const Size size = size_of(i);
        int32_t* block = block_memory.data() + size_t(i / rows_per_block) * 2 * run;
        const int32_t row = i % rows_per_block;
        firsts[2 * i] = block[2 * row] = position.x;
        firsts[2 * i + 1] = block[2 * row + 1] = position.y;
        seconds[2 * i] = block[run + 2 * row] = size.width;
        seconds[2 * i + 1] = block[run + 2 * row + 1] = size.height;
        int32_t* gapped = gapped_memory.data() + size_t(i / rows_per_block) * 3 * run + run;
        std::copy_n(&block[2 * row], 2, &gapped[2 * row]);
        std::copy_n(&block[run + 2 * row], 2, &gapped[run + 2 * row]);
    }
    const int32_t* blocks_begin = block_memory.data();
    const int32_t* gapped_begin = gapped_memory.data() + run;
    uint32_t by_row = 0, by_run = 0, gapped_by_row = 0, arrays = 0;
    const auto [by_row_ns, by_run_ns, gapped_ns, arrays_ns] = fastest_batches(
        state, 1,
        [&] {
            for (int32_t b = 0; b < blocks; ++b) {
                const int32_t* block = blocks_begin + size_t(b) * 2 * run;
                by_row += sum_pair_rows(block, block + run, rows_per_block);
            }
        },
        [&] {
            for (int32_t b = 0; b < blocks; ++b) {
                const int32_t* block = blocks_begin + size_t(b) * 2 * run;
                by_run += sum_values(block, run) + sum_values(block + run, run);
            }
        },
        [&] {
            for (int32_t b = 0; b < blocks; ++b) {
                const int32_t* block = gapped_begin + size_t(b) * 3 * run;
                gapped_by_row += sum_pair_rows(block, block + run, rows_per_block);
            }
        },
        [&] { arrays += sum_pair_rows(firsts.data(), seconds.data(), rows); });
    if (by_row != arrays || by_run != arrays || gapped_by_row != arrays)
        state.SkipWithError("the blocks and the arrays summed differently");
    state.counters["blocks_by_row_ns/entity"] = by_row_ns / rows;
    state.counters["blocks_by_run_ns/entity"] = by_run_ns / rows;
    state.counters["gapped_blocks_by_row_ns/entity"] = gapped_ns / rows;
    state.counters["arrays_ns/entity"] = arrays_ns / rows;
}
BENCHMARK(BM_ColumnRunsVsArrays)->ArgName("entities")->Arg(1'000'000);

}  // namespace
}  // namespace novra

BENCHMARK_MAIN();
