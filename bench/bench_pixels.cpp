// The Framebuffer's clear and rectangle fill against memset of the same bytes, the limit of a fill.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "bench/same_run.h"
#include "render/framebuffer.h"

namespace novra {
namespace {

void BM_ClearFramebuffer(benchmark::State& state) {
    run_against_limit(
        state, 8, "clear", [] { clear_framebuffer(0x00FF0000); }, "memset",
        [] { std::memset(framebuffer, 0x5A, sizeof framebuffer); });
}
BENCHMARK(BM_ClearFramebuffer);

// Rectangles by their clipped area: the whole picture, a player box, a box hanging over a corner, one pixel.
constexpr int32_t rects[][4] = {{0, 0, 256, 192}, {60, 60, 12, 12}, {-20, 150, 100, 100}, {5, 5, 1, 1}};

void BM_FillRect(benchmark::State& state) {
    const int32_t* r = rects[state.range(0)];
    const int32_t x = r[0], y = r[1], w = r[2], h = r[3];
    // The same runs as the fill, clipped by hand.
    const int32_t column = std::max(x, 0), row = std::max(y, 0);
    const int32_t run = std::min(x + w, framebuffer_width) - column;
    const int32_t rows = std::min(y + h, framebuffer_height) - row;
    const int32_t repetitions = run * rows > 4096 ? 8 : 256;
    run_against_limit(
        state, repetitions, "fill", [=] { fill_rect(x, y, w, h, 0xFFFFFF00); }, "memset",
        [=] {
            for (int32_t i = 0; i < rows; ++i) {
                std::memset(framebuffer + (row + i) * framebuffer_width + column, 0x5A,
                            run * sizeof(uint32_t));
            }
        });
    state.SetLabel(std::to_string(run) + "x" + std::to_string(rows) + " pixels");
}
BENCHMARK(BM_FillRect)->DenseRange(0, 3);

}  // namespace
}  // namespace novra

BENCHMARK_MAIN();
