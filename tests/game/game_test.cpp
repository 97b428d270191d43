#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "collision/collision.h"
#include "ecs/ecs.h"
#include "ecs/store.h"
#include "game/game.h"
#include "game/world.h"
#include "render/framebuffer.h"

namespace novra {
namespace {

constexpr int vk_left = 0x25, vk_up = 0x26, vk_right = 0x27, vk_down = 0x28;

std::vector<std::string> host_calls;

void record_size(int32_t width, int32_t height) {
    host_calls.push_back("set_framebuffer_size " + std::to_string(width) + " " + std::to_string(height));
}
void record_present(int32_t, int32_t, int32_t, int32_t, const uint32_t*) {
    host_calls.push_back("present");
}
// Whether, when the log line came, every store existed and none held anything yet: the line goes after
// the stores are made and before the world is built in them.
bool stores_fresh_at_log = false;
void record_log(const char* line) {
    host_calls.push_back(std::string("log ") + line);
    stores_fresh_at_log = ecs_ready() && component_registry.count == 0 && collision_grid != nullptr &&
                          query_stack != nullptr && collider_boxes.first != nullptr &&
                          collider_boxes.first->count == 0;
}

struct Game : ::testing::Test {
    void SetUp() override {
        host_calls.clear();
        stores_fresh_at_log = false;
        component_register(4);  // what an earlier set-up left: the log line must come after a fresh start
        key_table = KeyTable{};
        game_reset();
        PlatformTable table{record_size, record_present, record_log};
        game_setup(table);
    }
    void hold(std::initializer_list<int> keys) {
        std::memset(key_table.keys, 0, sizeof key_table.keys);
        for (int key : keys)
            key_table.keys[key] = 1;
    }
    int count_pixels(uint32_t colour) const {
        int n = 0;
        for (uint32_t pixel : framebuffer)
            n += pixel == colour;
        return n;
    }
};

TEST_F(Game, SetupDeclaresThePictureBeforeLoggingAndBuildsOneSolidBox) {
    EXPECT_EQ(host_calls,
              (std::vector<std::string>{"set_framebuffer_size 256 192", "log NOVRA game debug mode"}));
    EXPECT_TRUE(stores_fresh_at_log);
    EXPECT_EQ(game.keys, &key_table);
    EXPECT_EQ(game.platform.present, &record_present);

    ASSERT_EQ(component_registry.count, 3u);
    EXPECT_EQ(component_registry.sizes[0], 8u);
    EXPECT_EQ(component_registry.sizes[1], 8u);
    EXPECT_EQ(component_registry.sizes[2], 0u);

    ASSERT_NE(game.archetype, nullptr);
    EXPECT_EQ(game.archetype->mask_words, 1);
    EXPECT_EQ(game.archetype->mask[0], 7u);
    EXPECT_EQ(game.archetype->chunk_capacity, 16);
    EXPECT_EQ(game.archetype->first_chunk->count, 1);

    ASSERT_NE(game.system, nullptr);
    EXPECT_EQ(game.system->data_count, 2);
    EXPECT_EQ(game.system->first_link->count, 1);
    EXPECT_EQ(game.system->first_link->items[0].archetype, game.archetype);

    const std::byte* data = chunk_data(game.archetype->first_chunk);
    Position position;
    Size size;
    std::memcpy(&position, data + game.archetype->column_offsets->at(0), sizeof position);
    std::memcpy(&size, data + game.archetype->column_offsets->at(1), sizeof size);
    EXPECT_EQ(position.x, 30);
    EXPECT_EQ(position.y, 30);
    EXPECT_EQ(size.width, 30);
    EXPECT_EQ(size.height, 30);
}

// The whole first picture, built independently of fill_rect: red, the yellow box, the blue player.
TEST_F(Game, FirstFrameDrawsTheGoldenPicture) {
    game_frame();
    std::vector<uint32_t> expected(framebuffer_width * framebuffer_height, background_colour);
    for (int y = 30; y < 60; ++y)
        for (int x = 30; x < 60; ++x)
            expected[y * 256 + x] = solid_colour;
    for (int y = 60; y < 72; ++y)
        for (int x = 60; x < 72; ++x)
            expected[y * 256 + x] = player_colour;
    EXPECT_EQ(std::memcmp(expected.data(), framebuffer, sizeof framebuffer), 0);
    EXPECT_EQ(count_pixels(solid_colour), 900);
    EXPECT_EQ(count_pixels(player_colour), 144);
}

TEST_F(Game, PictureShowsThePlayerOneFrameAfterItMoved) {
    hold({vk_right});
    game_frame();
    EXPECT_EQ(game.player_x, 61);
    EXPECT_EQ(framebuffer[60 * 256 + 60], player_colour);  // still drawn at 60
    EXPECT_EQ(framebuffer[60 * 256 + 72], background_colour);
    game_frame();
    EXPECT_EQ(framebuffer[60 * 256 + 60], background_colour);
    EXPECT_EQ(framebuffer[60 * 256 + 72], player_colour);
}

struct Move {
    const char* what;
    int32_t x, y;
    std::initializer_list<int> keys;
    int frames;
    int32_t end_x, end_y;
};

TEST_F(Game, PlayerStopsAtFacesAndSlidesAlongThem) {
    const Move moves[] = {
        {"no key held", 60, 60, {}, 5, 60, 60},
        {"right from the start", 60, 60, {vk_right}, 1, 61, 60},
        {"up from the start", 60, 60, {vk_up}, 1, 60, 61},
        {"left and right: right wins", 60, 60, {vk_left, vk_right}, 1, 61, 60},
        {"up and down: down wins", 100, 100, {vk_up, vk_down}, 1, 100, 99},
        {"right into the left face", 18, 40, {vk_right}, 10, 18, 40},
        {"left into the right face", 60, 40, {vk_left}, 10, 60, 40},
        {"up into the bottom face", 40, 18, {vk_up}, 10, 40, 18},
        {"down onto the top face", 40, 60, {vk_down}, 10, 40, 60},
        {"slides up the left face", 18, 40, {vk_right, vk_up}, 20, 18, 60},
        {"free once past the top corner", 18, 40, {vk_right, vk_up}, 22, 20, 62},
        {"slides left along the top", 40, 60, {vk_left}, 5, 35, 60},
        {"slides right along the top", 40, 60, {vk_right}, 5, 45, 60},
        {"corner to corner stops dead", 18, 18, {vk_right, vk_up}, 5, 18, 18},
        {"open corner at the start position", 60, 60, {vk_down, vk_left}, 5, 60, 60},
        {"corner from the bottom right", 60, 18, {vk_left, vk_up}, 5, 60, 18},
        {"walks in from afar and stops", 0, 40, {vk_right}, 30, 18, 40},
        {"off the picture it moves on", -100, -100, {vk_left}, 3, -103, -100},
    };
    for (const Move& move : moves) {
        game.player_x = move.x;
        game.player_y = move.y;
        hold(move.keys);
        for (int frame = 0; frame < move.frames; ++frame)
            game_frame();
        EXPECT_EQ(game.player_x, move.end_x) << move.what;
        EXPECT_EQ(game.player_y, move.end_y) << move.what;
    }
}

// Two contacts at the same time: moving up and right from (18, 18), the player's corner meets the solid
// box's corner while its right face meets the left face of a second box below it. The one the sweep
// returns first decides: a corner stops the player dead, a face lets it slide up.
TEST_F(Game, AmongContactsAtTheSameTimeTheFirstReturnedDecides) {
    const Entity second = entity_create(game.archetype);
    ASSERT_NE(second.record, nullptr);
    *static_cast<Position*>(entity_component(0, second)) = Position{30, 0};
    *static_cast<Size*>(entity_component(1, second)) = Size{10, 20};

    // The grid as the game's System fills it: the boxes in the order of their entities.
    grid_add_box(30, 30, 30, 30, 0, 0);
    grid_add_box(30, 0, 10, 20, 0, 0);
    SweepQuery query;
    std::vector<HitRecord> hits;
    for (HitRecord hit = sweep_begin(query, 18, 18, player_size, player_size, 1, 1);
         hit.contact != ContactKind::none; hit = sweep_next(query))
        hits.push_back(hit);
    grid_reset();
    ASSERT_EQ(hits.size(), 2u);
    for (const HitRecord& hit : hits)
        ASSERT_EQ(hit.time_num, 0);
    ASSERT_NE(hits[0].contact, hits[1].contact);
    const bool corner_first = hits[0].contact == ContactKind::corner;

    game.player_x = 18;
    game.player_y = 18;
    hold({vk_right, vk_up});
    game_frame();
    EXPECT_EQ(game.player_x, 18);
    EXPECT_EQ(game.player_y, corner_first ? 18 : 19);
}

TEST_F(Game, PlayerSlidesUpTheFaceOneRowPerFrame) {
    game.player_x = 18;
    game.player_y = 40;
    hold({vk_right, vk_up});
    for (int32_t expected_y = 41; expected_y <= 60; ++expected_y) {
        game_frame();
        ASSERT_EQ(game.player_x, 18);
        ASSERT_EQ(game.player_y, expected_y);
    }
}

TEST_F(Game, FrameLeavesTheCollisionStoresEmptyAndDrawsNothingOffPicture) {
    game.player_x = 1000;
    game.player_y = 1000;
    game_frame();
    EXPECT_EQ(count_pixels(player_colour), 0);
    EXPECT_EQ(collider_boxes.current, collider_boxes.first);
    EXPECT_EQ(collider_boxes.first->count, 0);
    for (CellBucket* cell : collision_grid->cells)
        EXPECT_EQ(cell, nullptr);
}

TEST_F(Game, PlayerAtTheEdgeOfTheNumberRangeSaturatesInsteadOfWrapping) {
    game.player_x = INT32_MAX;
    game.player_y = INT32_MIN;
    hold({vk_right, vk_down});
    game_frame();
    EXPECT_EQ(game.player_x, INT32_MAX);
    EXPECT_EQ(game.player_y, INT32_MIN);
}

}  // namespace
}  // namespace novra
