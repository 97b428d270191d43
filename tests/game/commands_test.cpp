// The Game's command handler on its own: every command with good and bad arguments, each reply checked,
// and a refused command checked to leave the whole world as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ecs/allocation.h"
#include "ecs/store.h"
#include "game/commands.h"
#include "render/framebuffer.h"

namespace novra {
namespace {

std::vector<std::string> replies;
int quits = 0;
FrameStats fake_stats{};

void record_size(int32_t, int32_t) {}
void record_present(int32_t, int32_t, int32_t, int32_t, const uint32_t*) {}
void record_log(const char* line) {
    replies.push_back(line);
}
void fake_read_stats(FrameStats* stats) {
    *stats = fake_stats;
}
void fake_quit() {
    ++quits;
}

using Box = std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t>;  // number, x, y, w, h

std::vector<Box> boxes_now() {
    std::vector<Box> boxes;
    box_table_each([&](const BoxEntry& entry) {
        const BoxView view = box_view(entry);
        boxes.emplace_back(view.number, view.position.x, view.position.y, view.size.width, view.size.height);
        return true;
    });
    return boxes;
}

// Rows in use across the game's Archetype: the entities that exist (removed ones go at the frame's end).
int64_t entities_now() {
    int64_t rows = 0;
    for (const Chunk* chunk = game.archetype->first_chunk; chunk != nullptr; chunk = chunk->next)
        rows += chunk->count;
    return rows;
}

// Everything a command may change.
struct World {
    int32_t player_x, player_y;
    std::vector<Box> boxes;
    int32_t next_number;
    int64_t entities;
    int64_t removals_queued;
    int quits;
    bool operator==(const World&) const = default;
};

World world_now() {
    return {game.player_x,  game.player_y,
            boxes_now(),    box_table.next_number,
            entities_now(), block_item_count(removal_queue.current),
            quits};
}

struct Commands : testing::Test {
    void SetUp() override {
        replies.clear();
        quits = 0;
        fake_stats = {};
        key_table = KeyTable{};
        game_reset();
        PlatformTable table{record_size, record_present, record_log, fake_read_stats, fake_quit};
        game_setup(table);
        replies.clear();
    }
    static std::vector<std::string> run(const std::string& line) {
        replies.clear();
        game_command(line.c_str());
        return replies;
    }
};

using Lines = std::vector<std::string>;

TEST_F(Commands, EachCommandDoesWhatItSaysAndNumbersAreNeverReused) {
    fake_stats = {600, 41, 63, 120, 12, 3, 0, 35, 52, 90};
    const struct {
        const char* line;
        Lines expected;
    } steps[] = {
        {"", {}},
        {"     ", {}},
        {"pos", {"player at 60 60"}},
        {"boxes", {"box 1 at 30 30 30 30"}},
        {"   tp   100    100   ", {"player at 100 100"}},
        {"box 150 100 20 20", {"box 2 at 150 100 20 20"}},
        {"box 200 20 10 10", {"box 3 at 200 20 10 10"}},
        {"rm 2", {"removed box 2"}},
        {"rm 2", {"rm: no box 2"}},  // twice before the frame that carries the removal out
        {"box 150 100 20 20", {"box 4 at 150 100 20 20"}},
        {"boxes", {"box 1 at 30 30 30 30", "box 3 at 200 20 10 10", "box 4 at 150 100 20 20"}},
        {"tp -2147483648 2147483647", {"player at -2147483648 2147483647"}},
        {"tp 60 18", {"player at 60 18"}},  // flush against box 1's right face: touching is no overlap
        {"reset", {"player at 60 60"}},
        {"box 72 60 5 5", {"box 5 at 72 60 5 5"}},  // flush against the player's right face
        {"rm 1", {"removed box 1"}},
        {"tp 40 40", {"player at 40 40"}},  // where box 1 was
        {"stats",
         {"frame work p50 41 us p99 63 us max 120 us; present p50 35 us p99 52 us max 90 us; pacing error "
          "p99 "
          "12 us; late passes 3, re-anchored 0; "
          "boxes 3"}},
        {"clear", {"removed 3 boxes"}},
        {"boxes", {"no boxes"}},
        {"clear", {"removed 0 boxes"}},
        {"box -5 -5 1 1", {"box 6 at -5 -5 1 1"}},
        {"clear", {"removed 1 box"}},
        {"quit", {"bye"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.line);
        EXPECT_EQ(run(step.line), step.expected);
    }
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(game.player_x, 40);
    EXPECT_EQ(game.player_y, 40);
    // The removals were queued; the frame carries them out and the world keeps no box.
    EXPECT_EQ(entities_now(), 6);
    game_frame();
    EXPECT_EQ(entities_now(), 0);
    EXPECT_EQ(block_item_count(removal_queue.current), 0);
}

TEST_F(Commands, RemovedBoxesLeaveThePictureAndTheGridAtTheEndOfTheNextFrame) {
    EXPECT_EQ(run("box 150 100 20 20"), Lines{"box 2 at 150 100 20 20"});
    game_frame();
    EXPECT_EQ(framebuffer[110 * 256 + 160], solid_colour);
    EXPECT_EQ(run("rm 2"), Lines{"removed box 2"});
    game_frame();  // still drawn: the removal is carried out at the end of this frame
    EXPECT_EQ(framebuffer[110 * 256 + 160], solid_colour);
    game_frame();
    EXPECT_EQ(framebuffer[110 * 256 + 160], background_colour);
    // A player walking where the box was is not stopped by it.
    EXPECT_EQ(run("tp 138 100"), Lines{"player at 138 100"});
    key_table.keys[0x27] = 1;  // VK_RIGHT
    for (int i = 0; i < 5; ++i)
        game_frame();
    EXPECT_EQ(game.player_x, 143);
}

// The world the refusals are tried in: the player away from its start, a box on the start, a box
// elsewhere and the number of a removed one.
void build_refusal_world() {
    game_command("tp 100 150");
    game_command("box 150 100 20 20");  // box 2
    game_command("box 60 60 8 8");      // box 3, on the player's start
    game_command("box 200 20 10 10");   // box 4
    game_command("rm 4");
    game_frame();
}

TEST_F(Commands, RefusalsAnswerOneLineAndChangeNothing) {
    build_refusal_world();
    const std::string garbage(256, '#');
    std::string wide;
    for (int i = 0; i < 40; ++i)
        wide += "\xE3\x81\x82";  // U+3042, three bytes
    const struct {
        std::string line;
        std::string expected;
    } refusals[] = {
        // Too few, too many, not numbers, past the int32 range.
        {"tp", "usage: tp X Y"},
        {"tp 1", "usage: tp X Y"},
        {"tp 1 2 3", "usage: tp X Y"},
        {"tp a 2", "usage: tp X Y"},
        {"tp 1 2x", "usage: tp X Y"},
        {"tp 1 +2", "usage: tp X Y"},
        {"tp - 2", "usage: tp X Y"},
        {"tp 1 --2", "usage: tp X Y"},
        {"tp 0x10 2", "usage: tp X Y"},
        {"tp 1.5 2", "usage: tp X Y"},
        {"tp 2147483648 0", "usage: tp X Y"},
        {"tp 0 -2147483649", "usage: tp X Y"},
        {"tp 99999999999999999999999 0", "usage: tp X Y"},
        {"tp 1\x01 2", "usage: tp X Y"},
        {"pos 1", "usage: pos"},
        {"help me", "usage: help"},
        {"reset now", "usage: reset"},
        {"boxes 2", "usage: boxes"},
        {"clear all", "usage: clear"},
        {"stats 600", "usage: stats"},
        {"quit now", "usage: quit"},
        {"box 1 2 3", "usage: box X Y W H"},
        {"box 1 2 3 4 5", "usage: box X Y W H"},
        {"box 1 2 3 4x", "usage: box X Y W H"},
        {"box 1 2 3 2147483648", "usage: box X Y W H"},
        {"rm", "usage: rm N"},
        {"rm 1 2", "usage: rm N"},
        {"rm one", "usage: rm N"},
        {"rm -2147483649", "usage: rm N"},
        {"spawn", "usage: spawn COUNT [SEED]"},
        {"spawn 5 1 2", "usage: spawn COUNT [SEED]"},
        {"spawn 5 x", "usage: spawn COUNT [SEED]"},
        {"spawn 2147483648", "usage: spawn COUNT [SEED]"},
        // Numbers that parse but are not allowed.
        {"tp 145 95", "tp: 145 95 overlaps box 2"},
        {"tp 40 40", "tp: 40 40 overlaps box 1"},
        {"tp 19 19", "tp: 19 19 overlaps box 1"},
        {"reset", "reset: 60 60 overlaps box 3"},
        {"box 1 2 0 5", "box: W and H must be at least 1"},
        {"box 1 2 5 -5", "box: W and H must be at least 1"},
        {"box 1 2 -2147483648 -2147483648", "box: W and H must be at least 1"},
        {"box 95 145 10 10", "box: 95 145 10 10 overlaps the player"},
        {"box 111 161 1 1", "box: 111 161 1 1 overlaps the player"},
        {"box -2147483540 -2147483490 2147483647 2147483647",
         "box: -2147483540 -2147483490 2147483647 2147483647 overlaps the player"},
        {"rm 4", "rm: no box 4"},
        {"rm 0", "rm: no box 0"},
        {"rm -1", "rm: no box -1"},
        {"rm 5", "rm: no box 5"},
        {"rm 2147483647", "rm: no box 2147483647"},
        {"rm -2147483648", "rm: no box -2147483648"},
        {"spawn 0", "spawn: COUNT must be 1 to 100000"},
        {"spawn 100001", "spawn: COUNT must be 1 to 100000"},
        {"spawn -1", "spawn: COUNT must be 1 to 100000"},
        {"spawn -2147483648 5", "spawn: COUNT must be 1 to 100000"},
        // Names: lower case only, quoted as typed (the console shows control characters as the glyphs
        // the typed line shows) and long ones cut.
        {"HELP", "unknown command 'HELP' (type help)"},
        {"Tp 1 2", "unknown command 'Tp' (type help)"},
        {"xyz", "unknown command 'xyz' (type help)"},
        {"tp\x01 1 2", "unknown command 'tp\x01' (type help)"},
        {"\x1b[2J\x7f", "unknown command '\x1b[2J\x7f' (type help)"},
        {"\t", "unknown command '\t' (type help)"},
        {"po\n\x1bs", "unknown command 'po\n\x1bs' (type help)"},
        {garbage, "unknown command '" + std::string(32, '#') + "...' (type help)"},
        {std::string(32, 'q'), "unknown command '" + std::string(32, 'q') + "' (type help)"},  // whole at 32
        {std::string(33, 'q'), "unknown command '" + std::string(32, 'q') + "...' (type help)"},
        {wide, "unknown command '" + wide.substr(0, 30) + "...' (type help)"},
        {"h\xC3\xA9llo", "unknown command 'h\xC3\xA9llo' (type help)"},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.line);
        const World before = world_now();
        EXPECT_EQ(run(refusal.line), Lines{refusal.expected});
        EXPECT_EQ(world_now(), before);
    }
}

TEST_F(Commands, NumbersEndAtTheInt32LimitWithoutWrapping) {
    box_table.next_number = INT32_MAX;
    EXPECT_EQ(run("box 200 10 5 5"), Lines{"box 2147483647 at 200 10 5 5"});
    const World before = world_now();
    EXPECT_EQ(run("box 200 30 5 5"), Lines{"box: no box numbers left"});
    EXPECT_EQ(run("spawn 3"), Lines{"spawn: no box numbers left"});
    EXPECT_EQ(world_now(), before);
    EXPECT_EQ(run("rm 2147483647"), Lines{"removed box 2147483647"});
}

TEST_F(Commands, BoxesAtTheEdgesOfTheNumberRangeRunThroughFrames) {
    // Far edges past the int32 range: collision clamps them and the frame neither overflows nor stops.
    EXPECT_EQ(run("box 2147483647 2147483647 2147483647 2147483647"),
              Lines{"box 2 at 2147483647 2147483647 2147483647 2147483647"});
    EXPECT_EQ(run("box -2147483648 0 2147483647 10"), Lines{"box 3 at -2147483648 0 2147483647 10"});
    EXPECT_EQ(run("tp 2147483640 2147483640"), Lines{"tp: 2147483640 2147483640 overlaps box 2"});
    EXPECT_EQ(run("tp 2147483647 0"), Lines{"player at 2147483647 0"});
    key_table.keys[0x27] = 1;  // VK_RIGHT: the position saturates
    for (int i = 0; i < 3; ++i)
        game_frame();
    EXPECT_EQ(game.player_x, INT32_MAX);
    EXPECT_EQ(run("tp -13 5"), Lines{"tp: -13 5 overlaps box 3"});
    EXPECT_EQ(run("tp -13 12"), Lines{"player at -13 12"});
    std::fill(std::begin(key_table.keys), std::end(key_table.keys), 0);
    key_table.keys[0x28] = 1;  // VK_DOWN onto box 3's top face at y 10
    for (int i = 0; i < 3; ++i)
        game_frame();
    EXPECT_EQ(game.player_y, 10);
}

// Walking and `tp` agree wherever a box can be made: a box right of, above, left of or below the picture,
// near it or far out, stops the player at its face as one inside the picture does.
TEST_F(Commands, WalkingStopsAtBoxesOnEverySideOfThePictureAndFarOut) {
    constexpr int32_t left = 0x25, up = 0x26, right = 0x27, down = 0x28;  // VK_LEFT..VK_DOWN
    struct Hold {
        int32_t key, frames;
    };
    const struct {
        const char* name;
        std::vector<std::string> lines;
        std::vector<Hold> holds;
        int32_t x, y;
    } walks[] = {
        {"far right", {"tp 1000 1000", "box 1020 1000 10 10"}, {{right, 30}}, 1008, 1000},
        {"partly right of the picture", {"box 240 100 100 20", "tp 300 130"}, {{down, 20}}, 300, 120},
        {"slid off the picture, then down",
         {"box 200 100 200 10", "tp 250 112"},
         {{right, 60}, {down, 5}},
         310,
         110},
        {"far above", {"tp 100 5000", "box 100 5020 10 10"}, {{up, 30}}, 100, 5008},
        {"just above", {"tp 100 180", "box 100 200 10 10"}, {{up, 30}}, 100, 188},
        {"far left", {"tp -1000 -1000", "box -1030 -1000 10 10"}, {{left, 30}}, -1020, -1000},
        {"far below", {"tp -500 -1000", "box -500 -1030 10 10"}, {{down, 30}}, -500, -1020},
        {"at the int32 edge", {"tp 2147483600 50", "box 2147483630 50 10 10"}, {{right, 30}}, 2147483618, 50},
    };
    for (const auto& walk : walks) {
        SCOPED_TRACE(walk.name);
        run("clear");
        game_frame();
        for (const std::string& line : walk.lines)
            ASSERT_EQ(run(line).size(), 1u);
        ASSERT_EQ(run("pos").front().rfind("player at", 0), 0u);
        for (const Hold& hold : walk.holds) {
            key_table.keys[hold.key] = 1;
            for (int32_t frame = 0; frame < hold.frames; ++frame)
                game_frame();
            key_table.keys[hold.key] = 0;
        }
        EXPECT_EQ(game.player_x, walk.x);
        EXPECT_EQ(game.player_y, walk.y);
        // Wherever the walk ended, `tp` agrees that the player overlaps nothing there.
        EXPECT_EQ(run("tp " + std::to_string(game.player_x) + " " + std::to_string(game.player_y)),
                  Lines{"player at " + std::to_string(game.player_x) + " " + std::to_string(game.player_y)});
    }
}

// Touching faces are no overlap, on every side, for `tp` against a box and `box` against the player; an
// overlap names the lowest-numbered box.
TEST_F(Commands, TouchingIsNoOverlapOnAnySideAndRefusalsNameTheLowestBox) {
    const struct {
        const char* line;
        const char* expected;
    } steps[] = {
        {"tp 18 30", "player at 18 30"},  // box 1 is 30 30 30 30: the player against each of its faces
        {"tp 60 30", "player at 60 30"},
        {"tp 30 18", "player at 30 18"},
        {"tp 30 60", "player at 30 60"},
        {"reset", "player at 60 60"},  // boxes against each face of the player
        {"box 48 60 12 12", "box 2 at 48 60 12 12"},
        {"box 72 60 12 12", "box 3 at 72 60 12 12"},
        {"box 60 48 12 12", "box 4 at 60 48 12 12"},
        {"box 60 72 12 12", "box 5 at 60 72 12 12"},
        {"tp 150 150", "player at 150 150"},
        {"box 100 100 20 20", "box 6 at 100 100 20 20"},
        {"box 90 90 20 20", "box 7 at 90 90 20 20"},
        {"tp 100 100", "tp: 100 100 overlaps box 6"},
        {"tp 80 80", "tp: 80 80 overlaps box 7"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.line);
        EXPECT_EQ(run(step.line), Lines{step.expected});
    }
}

// A box table that never got its first block: every command copes.
TEST_F(Commands, WithoutTheBoxTablesFirstBlockClearRemovesNothing) {
    const BoxTable kept = box_table;
    box_table.entries = {};
    box_table.count = 0;
    EXPECT_EQ(run("clear"), Lines{"removed 0 boxes"});
    EXPECT_EQ(run("boxes"), Lines{"no boxes"});
    EXPECT_EQ(run("rm 1"), Lines{"rm: no box 1"});
    EXPECT_EQ(run("box 200 10 5 5"), Lines{"box: out of memory"});
    box_table = kept;
}

TEST_F(Commands, SpawnFillsFreePlacesOfThePictureTheSameWayForTheSameSeed) {
    EXPECT_EQ(run("spawn 50 7"), Lines{"spawned 50 boxes (seed 7)"});
    const std::vector<Box> seven = boxes_now();
    ASSERT_EQ(seven.size(), 51u);
    EXPECT_EQ(run("spawn 1"), Lines{"spawned 1 box (seed 1)"});

    // Everything spawned lies in the picture, is 4 to 16 on a side and overlaps nothing.
    const auto check_layout = [](const std::vector<Box>& boxes) {
        for (size_t i = 1; i < boxes.size(); ++i) {
            const auto [number, x, y, w, h] = boxes[i];
            SCOPED_TRACE(number);
            EXPECT_GE(w, 4);
            EXPECT_LE(w, 16);
            EXPECT_GE(h, 4);
            EXPECT_LE(h, 16);
            EXPECT_TRUE(x >= 0 && y >= 0 && x + w <= 256 && y + h <= 192);
            EXPECT_FALSE(x < game.player_x + 12 && game.player_x < x + w && y < game.player_y + 12 &&
                         game.player_y < y + h);
            for (size_t j = 0; j < i; ++j) {
                const auto [n2, x2, y2, w2, h2] = boxes[j];
                EXPECT_FALSE(x < x2 + w2 && x2 < x + w && y < y2 + h2 && y2 < y + h) << "box " << n2;
            }
        }
    };
    check_layout(boxes_now());

    // The same seed in the same world gives the same boxes, under new numbers.
    run("clear");
    run("box 30 30 30 30");
    game_frame();
    EXPECT_EQ(run("spawn 50 7"), Lines{"spawned 50 boxes (seed 7)"});
    std::vector<Box> again = boxes_now();
    ASSERT_EQ(again.size(), seven.size());
    for (size_t i = 1; i < again.size(); ++i) {
        EXPECT_EQ(std::get<0>(again[i]), std::get<0>(seven[i]) + 52);
        EXPECT_EQ(std::tie(std::get<1>(again[i]), std::get<2>(again[i]), std::get<3>(again[i]),
                           std::get<4>(again[i])),
                  std::tie(std::get<1>(seven[i]), std::get<2>(seven[i]), std::get<3>(seven[i]),
                           std::get<4>(seven[i])));
    }
    run("clear");
    run("spawn 50 8");
    const auto geometry = [](const Box& box) {
        return std::make_tuple(std::get<1>(box), std::get<2>(box), std::get<3>(box), std::get<4>(box));
    };
    EXPECT_NE(geometry(boxes_now()[0]), geometry(again[1]));

    // A full picture: fewer boxes than asked, said in one line, and nothing overlapping.
    const Lines full = run("spawn 100000");
    ASSERT_EQ(full.size(), 1u);
    int placed = 0, wanted = 0, seed = 0;
    ASSERT_EQ(std::sscanf(full[0].c_str(), "spawned %d of %d boxes (seed %d): the picture is full", &placed,
                          &wanted, &seed),
              3)
        << full[0];
    EXPECT_EQ(wanted, 100000);
    EXPECT_EQ(seed, 1);
    EXPECT_EQ(int64_t(placed) + 50, box_table.count);
    check_layout(boxes_now());
    game_frame();
    EXPECT_EQ(entities_now(), box_table.count);
    // Every place is a candidate, the picture's edges included.
    bool at_left = false, at_bottom = false, at_right = false, at_top = false;
    for (const auto& [number, x, y, w, h] : boxes_now()) {
        at_left |= x == 0;
        at_bottom |= y == 0;
        at_right |= x + w == 256;
        at_top |= y + h == 192;
    }
    EXPECT_TRUE(at_left && at_bottom && at_right && at_top);

    // `boxes` lists the first 20 and counts the rest.
    const Lines listed = run("boxes");
    ASSERT_EQ(listed.size(), 21u);
    EXPECT_EQ(listed.back(), "... and " + std::to_string(box_table.count - 20) + " more");
}

// A store that cannot grow: the command either happens or answers so and changes nothing.
TEST_F(Commands, AllocationFailuresAnswerOutOfMemoryAndChangeNothing) {
    for (int i = 0; i < 79; ++i)
        run("box " + std::to_string(100 + i) + " 0 1 1");  // boxes 2 to 80: five full Chunks of 16
    ecs_fail_allocation_after = 0;
    World before = world_now();
    EXPECT_EQ(run("box 0 100 5 5"), Lines{"box: out of memory"});  // needs a sixth Chunk
    EXPECT_EQ(run("spawn 5"), Lines{"spawned 0 of 5 boxes (seed 1): out of memory"});
    EXPECT_EQ(world_now(), before);
    for (int number = 2; number < 66; ++number)  // the removal queue's block holds 64
        EXPECT_EQ(run("rm " + std::to_string(number)), Lines{"removed box " + std::to_string(number)});
    before = world_now();
    EXPECT_EQ(run("rm 66"), Lines{"rm: out of memory"});
    EXPECT_EQ(run("clear"), Lines{"clear: out of memory after 0 boxes"});
    EXPECT_EQ(world_now(), before);
    ecs_fail_allocation_after = -1;
    EXPECT_EQ(run("clear"), Lines{"removed 16 boxes"});
    game_frame();
    EXPECT_EQ(entities_now(), 0);
}

TEST_F(Commands, StatsWithoutMeasurementsSaysSo) {
    EXPECT_EQ(run("stats"), Lines{"stats: no pass measured yet; boxes 1"});
}

// README's list of commands is help's own output, so the two cannot drift apart; and Tab completes
// exactly the commands help lists, in its order.
TEST_F(Commands, HelpListsEveryCommandAsTheReadmeDoes) {
    const Lines help = run("help");
    ASSERT_EQ(help.size(), 18u);
    for (size_t i = 0; i < help.size(); ++i) {
        const std::string name = help[i].substr(0, help[i].find_first_of(" :"));
        EXPECT_EQ(run(name).empty(), false) << help[i];
        EXPECT_STREQ(game_command_name(int32_t(i)), name.c_str());
    }
    EXPECT_EQ(game_command_name(int32_t(help.size())), nullptr);
#ifdef NOVRA_SOURCE_DIR
    std::ifstream readme(NOVRA_SOURCE_DIR "/README.md");
    if (!readme) GTEST_SKIP() << "README.md not found from this build";
    std::stringstream text;
    text << readme.rdbuf();
    for (const std::string& line : help)
        EXPECT_NE(text.str().find("\n" + line + "\n"), std::string::npos) << "README lacks: " << line;
#endif
}

}  // namespace
}  // namespace novra
