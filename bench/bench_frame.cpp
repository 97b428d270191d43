// The Host's presentation and a whole frame on the scripted driver: present_letterboxed of the 256 x 192
// picture into client areas of three sizes against memcpy of the destination's bytes (the limit of
// writing them), and game_frame + present_letterboxed + console_poll_input per frame, with the heap
// allocations a steady frame makes (which must be none). Then game_frame alone in a world of many
// boxes made by the console's commands, against the 16.667 ms a frame has, and each of its parts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/allocation_count.h"
#include "bench/same_run.h"
#include "collision/collision.h"
#include "console/console.h"
#include "ecs/ecs.h"
#include "game/commands.h"
#include "game/game.h"
#include "game/world.h"
#include "host/host.h"
#include "platform/scripted/scripted.h"
#include "render/framebuffer.h"

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

// A world of many boxes, built through the command handler. `spawn 10000` stops when the picture is
// full (boxes of 4 to 16 that overlap nothing: about five hundred fit in 256 x 192), so the 10,001-box
// world adds its 10,000 boxes with `box` commands instead: random places and sizes of 4 to 16 in the
// picture, overlapping one another but not the player, the same every run.
void replies_dropped(const char*) {}

int64_t world_build(int64_t kind, int64_t count = 10001) {
    program_open(800, 600);
    game.platform.log = replies_dropped;
    if (kind == 0) {
        game_command("spawn 10000");
    } else {
        uint64_t state = 1;
        auto below = [&](int32_t n) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            return int32_t(((state >> 32) * uint64_t(n)) >> 32);
        };
        char line[64];
        while (box_table.count < count) {
            const int32_t w = 4 + below(13), h = 4 + below(13);
            std::snprintf(line, sizeof line, "box %d %d %d %d", below(256 - w + 1), below(192 - h + 1), w, h);
            game_command(line);  // a box on the player is refused, and another one tried
        }
    }
    return box_table.count;
}

// The player walks a square as in BM_Frame, so the sweep meets boxes.
void frame_keys(int64_t frame) {
    std::memset(key_table.keys, 0, sizeof key_table.keys);
    key_table.keys[arrow_keys[(frame / 32) % 4]] = 1;
}

// Draws and enters every box as draw_solid_boxes does, split so each half can be timed alone.
void enter_boxes(Chunk* chunk, void* const* columns) {
    const auto* positions = static_cast<const Position*>(columns[0]);
    const auto* sizes = static_cast<const Size*>(columns[1]);
    for (int32_t i = 0; i < chunk->count; ++i)
        grid_add_box(positions[i].x, positions[i].y, sizes[i].width, sizes[i].height, 0, 0);
}
void draw_boxes(Chunk* chunk, void* const* columns) {
    const auto* positions = static_cast<const Position*>(columns[0]);
    const auto* sizes = static_cast<const Size*>(columns[1]);
    for (int32_t i = 0; i < chunk->count; ++i)
        fill_rect(positions[i].x, positions[i].y, sizes[i].width, sizes[i].height, solid_colour);
}
int64_t rows_seen = 0;
void visit_rows(Chunk* chunk, void* const*) {
    rows_seen += chunk->count;
}

// game_frame in a world of many boxes against the 16.667 ms a frame has at 60 per second, with heap
// allocations per steady frame; then its parts, each timed alone over the same world: the System run
// with an empty callback (walking the chunks), grid_add_box of every box, fill_rect of every box, the
// player's sweep (a whole game_frame minus the other parts is not measured; the sweep is timed as
// game_frame's own loop does it, from a grid holding every box), and the clear.
void BM_FrameManyBoxes(benchmark::State& state) {
    const int64_t boxes = world_build(state.range(0));
    int64_t frame = 0;
    // The first frames after a spawn may allocate grid blocks; the steady ones must not.
    for (; frame < 120; ++frame) {
        frame_keys(frame);
        game_frame();
    }
    const uint64_t allocations_before = heap_allocations();
    constexpr int64_t counted_frames = 300;
    for (int64_t end = frame + counted_frames; frame < end; ++frame) {
        frame_keys(frame);
        game_frame();
    }
    const uint64_t allocations = heap_allocations() - allocations_before;

    System* walk = system_create(visit_rows, 2, 0, box_table.position, box_table.size);
    System* enter = system_create(enter_boxes, 2, 0, box_table.position, box_table.size);
    System* draw = system_create(draw_boxes, 2, 0, box_table.position, box_table.size);
    const auto sweep_once = [] {
        SweepQuery query;
        for (HitRecord hit = sweep_begin(query, game.player_x, game.player_y, player_size, player_size, 1, 1);
             hit.contact != ContactKind::none; hit = sweep_next(query)) {
            benchmark::DoNotOptimize(hit);
        }
    };
    const auto [frame_ns, walk_ns, grid_ns, fill_ns, sweep_ns, clear_ns] = fastest_batches(
        state, 4,
        [&] {
            frame_keys(frame++);
            game_frame();
        },
        [&] { system_run(walk); },
        [&] {
            system_run(enter);
            grid_reset();
        },
        [&] { system_run(draw); },
        [&] {
            system_run(enter);
            sweep_once();
            sweep_once();
            grid_reset();
        },
        [&] { clear_framebuffer(background_colour); });
    constexpr double frame_limit_ns = 1e9 / 60;
    state.counters["boxes"] = double(boxes);
    state.counters["frame_ns"] = frame_ns;
    state.counters["frame/16.667ms"] = frame_ns / frame_limit_ns;
    state.counters["allocations/frame"] = double(allocations) / counted_frames;
    state.counters["system_walk_ns"] = walk_ns;
    state.counters["grid_add_box_all_ns"] = grid_ns;
    state.counters["fill_rect_all_ns"] = fill_ns;
    state.counters["two_sweeps_ns"] = sweep_ns - grid_ns;  // the grid's part is timed above
    state.counters["clear_ns"] = clear_ns;
    state.SetLabel(state.range(0) == 0 ? "spawn 10000" : "10,000 box commands");
    if (!heap_allocations_counted()) state.SkipWithError("heap allocations are not being counted");
}
BENCHMARK(BM_FrameManyBoxes)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// A demo file in the temporary folder, for the demo benchmarks.
std::string demo_path(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// Recording in a world of 1,001 boxes: a pass's game_frame while a demo records (its keys, its picture's
// checksum) against the same pass unrecorded, the difference as a share of the 16.667 ms a frame has;
// and the heap allocations of 600 recorded passes once recording has started (the checksums grow by
// 32 KiB blocks, one per 4,096 passes, so none is due in the first 600).
void BM_Recording(benchmark::State& state) {
    world_build(1, 1001);
    const std::string file = demo_path("novra_bench_recording.demo");
    int64_t frame = 0;
    for (; frame < 120; ++frame) {
        frame_keys(frame);
        game_frame();
    }
    game_command(("record " + file).c_str());
    constexpr int64_t counted_passes = 600;
    const uint64_t allocations_before = heap_allocations();
    for (int64_t end = frame + counted_passes; frame < end; ++frame) {
        frame_keys(frame);
        game_frame();
    }
    const uint64_t allocations = heap_allocations() - allocations_before;
    const auto [recorded_ns, live_ns] = fastest_batches(
        state, 16,
        [&] {
            frame_keys(frame++);
            game_frame();
        },
        [&] {
            frame_keys(frame++);
            game_pass(arrows_held(key_table));
        });
    game_command("stop");
    std::filesystem::remove(file);
    state.counters["recorded_pass_ns"] = recorded_ns;
    state.counters["unrecorded_pass_ns"] = live_ns;
    state.counters["recording_ns"] = recorded_ns - live_ns;
    state.counters["recording/16.667ms"] = (recorded_ns - live_ns) / (1e9 / 60);
    state.counters["allocations/recorded_pass"] = double(allocations) / counted_passes;
    if (!heap_allocations_counted()) state.SkipWithError("heap allocations are not being counted");
}
BENCHMARK(BM_Recording);

// timedemo in the 10,001-box world: a demo of 600 passes of walking recorded there, played back as fast
// as it goes (the whole command: reading the file, rebuilding the world, the passes), in passes per
// second against the 1,000 asked for.
std::string last_reply;
void reply_kept(const char* line) {
    last_reply = line;
}

void BM_Timedemo(benchmark::State& state) {
    world_build(1);
    const std::string file = demo_path("novra_bench_timedemo.demo");
    constexpr int64_t passes = 600;
    game_command(("record " + file).c_str());
    for (int64_t frame = 0; frame < passes; ++frame) {
        frame_keys(frame);
        game_frame();
    }
    game_command("stop");
    game.platform.log = reply_kept;
    const auto [timedemo_ns] = fastest_batches(state, 1, [&] { game_command(("timedemo " + file).c_str()); });
    std::filesystem::remove(file);
    if (last_reply.find("600 passes in") == std::string::npos ||
        last_reply.find("every picture matched") == std::string::npos)
        state.SkipWithError(("timedemo did not match every picture: " + last_reply).c_str());
    const double passes_per_second = passes / (timedemo_ns / 1e9);
    state.counters["boxes"] = double(box_table.count);
    state.counters["timedemo_ms"] = timedemo_ns / 1e6;
    state.counters["passes/s"] = passes_per_second;
    state.counters["passes/s / 1000"] = passes_per_second / 1000;
}
BENCHMARK(BM_Timedemo)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace novra

BENCHMARK_MAIN();
