// The swept test per call, and one sweep among N solid boxes through the grid against testing all N boxes
// directly (the brute force the grid exists to beat), timed in the same run.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/same_run.h"
#include "collision/collision.h"

namespace novra {
namespace {

struct Box {
    int32_t x, y, w, h, dx, dy;
};

// Solid boxes of 4 to 16 units placed in the 256 x 192 world, and 12 x 12 movers with unit steps.
std::vector<Box> solid_boxes(int32_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> extent(4, 16);
    std::vector<Box> boxes;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t w = extent(random), h = extent(random);
        boxes.push_back(Box{std::uniform_int_distribution<int32_t>(0, 256 - w)(random),
                            std::uniform_int_distribution<int32_t>(0, 192 - h)(random), w, h, 0, 0});
    }
    return boxes;
}

std::vector<Box> movers(int32_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> step(-1, 1);
    std::vector<Box> boxes;
    for (int32_t i = 0; i < count; ++i) {
        Box box{std::uniform_int_distribution<int32_t>(1, 243)(random),
                std::uniform_int_distribution<int32_t>(1, 179)(random),
                12,
                12,
                step(random),
                step(random)};
        if (box.dx == 0 && box.dy == 0) box.dx = 1;
        boxes.push_back(box);
    }
    return boxes;
}

bool within_frame(const HitRecord& hit) {
    return hit.contact != ContactKind::none && hit.time_num >= 0 && hit.time_num < hit.time_den;
}

void BM_SweptBoxTest(benchmark::State& state) {
    const std::vector<Box> others = solid_boxes(1024, 1);
    const std::vector<Box> moving = movers(1024, 2);
    size_t i = 0;
    for (auto _ : state) {
        const Box& b = others[i];
        const Box& m = moving[i];
        benchmark::DoNotOptimize(
            swept_box_test(b.x, b.y, b.w, b.h, b.dx, b.dy, m.x, m.y, m.w, m.h, m.dx, m.dy));
        i = (i + 1) & 1023;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SweptBoxTest);

// Each iteration sweeps 64 movers through the grid to the end, then tests the same movers against all N
// boxes; both count the contacts within the frame, which must agree.
void BM_SweepGridVsBruteForce(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    const std::vector<Box> boxes = solid_boxes(count, 3);
    const std::vector<Box> moving = movers(64, 4);
    collision_init();
    for (const Box& b : boxes)
        grid_add_box(b.x, b.y, b.w, b.h, b.dx, b.dy);

    int64_t grid_contacts = 0, brute_contacts = 0;
    size_t next = 0;
    run_against_limit(
        state, 64, "grid",
        [&] {
            const Box& m = moving[next++ & 63];
            SweepQuery query;
            for (HitRecord hit = sweep_begin(query, m.x, m.y, m.w, m.h, m.dx, m.dy);
                 hit.contact != ContactKind::none; hit = sweep_next(query)) {
                grid_contacts += within_frame(hit);
            }
        },
        "brute",
        [&] {
            const Box& m = moving[next++ & 63];
            for (const Box& b : boxes) {
                brute_contacts += within_frame(
                    swept_box_test(b.x, b.y, b.w, b.h, b.dx, b.dy, m.x, m.y, m.w, m.h, m.dx, m.dy));
            }
        });
    if (grid_contacts != brute_contacts) state.SkipWithError("the grid and the brute force disagree");
    state.counters["grid_speedup"] = state.counters["brute_ns"] / state.counters["grid_ns"];
    state.counters["contacts/sweep"] = static_cast<double>(grid_contacts) / static_cast<double>(next / 2);
}
BENCHMARK(BM_SweepGridVsBruteForce)->RangeMultiplier(4)->Range(1, 4096);

// The per-frame cost of the broad phase: entering N boxes and resetting the grid.
void BM_GridBuildAndReset(benchmark::State& state) {
    const std::vector<Box> boxes = solid_boxes(static_cast<int32_t>(state.range(0)), 5);
    collision_init();
    for (auto _ : state) {
        for (const Box& b : boxes)
            grid_add_box(b.x, b.y, b.w, b.h, b.dx, b.dy);
        grid_reset();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GridBuildAndReset)->RangeMultiplier(4)->Range(1, 4096);

}  // namespace
}  // namespace novra

BENCHMARK_MAIN();
