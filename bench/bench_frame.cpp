// The Host's presentation and a whole frame on the scripted driver: present_letterboxed of the 256 x 192
// picture into client areas of three sizes against memcpy of the destination's bytes (the limit of
// writing them), and game_frame + present_letterboxed + console_poll_input per frame, with the heap
// allocations a steady frame makes (which must be none).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/allocation_count.h"
#include "bench/same_run.h"
#include "console/console.h"
#include "game/game.h"
#include "host/host.h"
#include "platform/scripted/scripted.h"

namespace novra {
namespace {

HINSTANCE bench_instance() {
    return reinterpret_cast<HINSTANCE>(uintptr_t(0x400000));
}

// The program opened as host_main opens it, on a fresh scripted desktop whose window has the given
// client size. The call record stays off, so the layer itself allocates nothing per call.
void program_open(int32_t client_width, int32_t client_height) {
    ScriptedConfig config;
    config.client_width = client_width;
    config.client_height = client_height;
    config.record_calls = false;
    scripted_start(config);
    host_reset();
    console_reset();
    game_reset();
    host_open(bench_instance());
}

// Client sizes: 4:3 at two sizes, and a wide one letterboxed to 1440 x 1080 with bars at the sides.
constexpr int32_t client_sizes[][2] = {{800, 600}, {1024, 768}, {1920, 1080}};

void BM_PresentLetterboxed(benchmark::State& state) {
    const int32_t client_width = client_sizes[state.range(0)][0];
    const int32_t client_height = client_sizes[state.range(0)][1];
    program_open(client_width, client_height);
    game_frame();
    const Letterbox box = letterbox_fit(client_width, client_height);
    const size_t bytes = size_t(box.width) * size_t(box.height) * sizeof(uint32_t);
    std::vector<uint32_t> source(bytes / sizeof(uint32_t), 0x00FF0000), destination(source.size());
    run_against_limit(
        state, 4, "present", [] { present_letterboxed(); }, "memcpy",
        [&] { std::memcpy(destination.data(), source.data(), bytes); });
    // A blit that drew nothing would make the ratio meaningless: the picture's red must be on screen.
    if (scripted_pixel(box.x + box.width / 2, box.y + 1) != 0x00FF0000)
        state.SkipWithError("the picture did not reach the client area");
    state.counters["present_ns/pixel"] = state.counters["present_ns"] / (double(box.width) * box.height);
    state.SetLabel(std::to_string(client_width) + "x" + std::to_string(client_height) + " -> " +
                   std::to_string(box.width) + "x" + std::to_string(box.height));
}
BENCHMARK(BM_PresentLetterboxed)->DenseRange(0, 2);

constexpr uint8_t arrow_keys[] = {0x25, 0x26, 0x27, 0x28};  // VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN

// One pass of the loop without its message pump and pacing. The player walks a square, one arrow key
// held for 32 frames at a time, so that it meets the solid box's faces and slides along them.
void frame_run(int64_t frame) {
    std::memset(key_table.keys, 0, sizeof key_table.keys);
    key_table.keys[arrow_keys[(frame / 32) % 4]] = 1;
    game_frame();
    present_letterboxed();
    console_poll_input();
}

void BM_Frame(benchmark::State& state) {
    program_open(800, 600);
    constexpr int64_t settling_frames = 120, counted_frames = 600;
    int64_t frame = 0;
    while (frame < settling_frames)
        frame_run(frame++);
    const uint64_t allocations_before = heap_allocations();
    for (int64_t end = frame + counted_frames; frame < end;)
        frame_run(frame++);
    const uint64_t allocations = heap_allocations() - allocations_before;

    const auto [frame_ns] = fastest_batches(state, 16, [&] { frame_run(frame++); });
    state.counters["frame_ns"] = frame_ns;
    state.counters["allocations/frame"] = double(allocations) / counted_frames;
    state.counters["share_of_60Hz"] = frame_ns / (1e9 / 60);
    if (!heap_allocations_counted()) state.SkipWithError("heap allocations are not being counted");
}
BENCHMARK(BM_Frame);

}  // namespace
}  // namespace novra

BENCHMARK_MAIN();
