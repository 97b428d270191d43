#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "collision/collision.h"

namespace novra {
namespace {

ColliderBox* add(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx = 0, int32_t dy = 0) {
    grid_add_box(x, y, w, h, dx, dy);
    return &collider_boxes.current->items[collider_boxes.current->count - 1];
}

std::vector<HitRecord> sweep_all(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy) {
    SweepQuery query;
    std::vector<HitRecord> hits;
    for (HitRecord hit = sweep_begin(query, x, y, w, h, dx, dy); hit.contact != ContactKind::none;
         hit = sweep_next(query)) {
        hits.push_back(hit);
    }
    return hits;
}

bool colliders_unmarked() {
    for (Block<Collider, 64>* block = collision_grid->colliders.first; block != nullptr;
         block = block->next) {
        for (int32_t i = 0; i < block->count; ++i) {
            if (block->items[i].visited != 0) return false;
        }
        if (block == collision_grid->colliders.current) break;
    }
    return true;
}

class Sweep : public testing::Test {
protected:
    void SetUp() override { collision_init(); }
};

TEST_F(Sweep, OverAnEmptyAreaReturnsNoContactAtOnce) {
    add(30, 30, 30, 30);
    SweepQuery query;
    EXPECT_EQ(sweep_begin(query, 150, 150, 12, 12, 1, 1).contact, ContactKind::none);
    EXPECT_EQ(block_item_count(query_stack), 0);
}

TEST_F(Sweep, PlayerAtTheStartMovingDownAndLeftMeetsTheBoxCornerToCorner) {
    ColliderBox* box = add(30, 30, 30, 30);
    const std::vector<HitRecord> hits = sweep_all(60, 60, 12, 12, -1, -1);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].contact, ContactKind::corner);
    EXPECT_EQ(hits[0].time_num, 0);
    EXPECT_EQ(hits[0].time_den, 1);
    EXPECT_EQ(hits[0].box, box);
}

TEST_F(Sweep, FlushBoxMovingIntoAFaceFindsItAsCandidate) {
    ColliderBox* box = add(30, 30, 30, 30);
    const std::vector<HitRecord> hits = sweep_all(18, 40, 12, 12, 1, 0);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].contact, ContactKind::x_face);
    EXPECT_EQ(hits[0].time_num, 0);
    EXPECT_EQ(hits[0].box, box);
}

TEST_F(Sweep, IgnoredBoxIsNeverTested) {
    ColliderBox* ignored = add(30, 30, 30, 30);
    ColliderBox* solid = add(20, 30, 10, 30);
    ignored->ignored = 1;
    const std::vector<HitRecord> hits = sweep_all(0, 40, 12, 12, 10, 0);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].box, solid);
    EXPECT_TRUE(colliders_unmarked());
}

TEST_F(Sweep, ReturnsEveryContactInQueryOrderWithTimesUnfiltered) {
    ColliderBox* overlapping = add(25, 45, 5, 5);           // entered before the start
    ColliderBox* ahead = add(40, 40, 5, 12);                // met within the frame
    ColliderBox* pulling_away = add(45, 40, 5, 12, 19, 0);  // met after the frame's end
    ColliderBox* receding = add(45, 40, 5, 12, 30, 0);      // left behind before the start
    add(10, 40, 5, 12, 20, 0);                              // keeps its distance: no contact
    const std::vector<HitRecord> hits = sweep_all(20, 40, 12, 12, 20, 0);
    const struct {
        ColliderBox* box;
        int32_t time_num, time_den;
    } expected[] = {{overlapping, -7, 20}, {ahead, 8, 20}, {pulling_away, 13, 1}, {receding, -30, 10}};
    ASSERT_EQ(hits.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(hits[i].box, expected[i].box);
        EXPECT_EQ(hits[i].contact, ContactKind::x_face);
        EXPECT_EQ(hits[i].time_num, expected[i].time_num);
        EXPECT_EQ(hits[i].time_den, expected[i].time_den);
    }
    EXPECT_TRUE(colliders_unmarked());
    EXPECT_EQ(block_item_count(query_stack), 0);
}

TEST_F(Sweep, BoxWithoutAreaQueriesNothing) {
    add(30, 30, 30, 30);
    for (const auto& size : {std::pair{0, 12}, std::pair{12, 0}, std::pair{-12, 12}, std::pair{12, -1}}) {
        SweepQuery query;
        EXPECT_EQ(sweep_begin(query, 20, 40, size.first, size.second, 5, 0).contact, ContactKind::none);
        EXPECT_EQ(sweep_next(query).contact, ContactKind::none);
        EXPECT_EQ(block_item_count(query_stack), 0);
    }
}

// Against the swept test on every box: the sweep returns exactly that test's contacts, each box at most
// once, and misses no contact from the start of the frame up to (not including) its end, the ones the
// movement can choose. A contact exactly at the end only touches, so the strict overlap may skip it.
TEST(SweepProperty, FindsEveryContactOfTheFrameThatTestingAllBoxesFinds) {
    std::mt19937 random(77);
    std::uniform_int_distribution<int32_t> extent(1, 40), step(-3, 3), percent(0, 99);
    for (int32_t round = 0; round < 200; ++round) {
        collision_init();
        std::vector<ColliderBox*> boxes;
        for (int32_t i = 0; i < 1 + round % 80; ++i) {
            const int32_t w = extent(random), h = extent(random);
            const bool moving = percent(random) < 25;
            boxes.push_back(add(std::uniform_int_distribution<int32_t>(0, 256 - w)(random),
                                std::uniform_int_distribution<int32_t>(0, 192 - h)(random), w, h,
                                moving ? step(random) : 0, moving ? step(random) : 0));
        }
        for (int32_t s = 0; s < 20; ++s) {
            const int32_t x = std::uniform_int_distribution<int32_t>(3, 241)(random);
            const int32_t y = std::uniform_int_distribution<int32_t>(3, 177)(random);
            const int32_t dx = step(random), dy = step(random);
            const std::vector<HitRecord> hits = sweep_all(x, y, 12, 12, dx, dy);
            for (const HitRecord& hit : hits) {
                const ColliderBox& b = *hit.box;
                const HitRecord direct = swept_box_test(b.x, b.y, b.w, b.h, b.dx, b.dy, x, y, 12, 12, dx, dy);
                ASSERT_EQ(hit.contact, direct.contact);
                ASSERT_EQ(hit.time_num, direct.time_num);
                ASSERT_EQ(hit.time_den, direct.time_den);
                ASSERT_EQ(
                    std::count_if(hits.begin(), hits.end(), [&](const HitRecord& h) { return h.box == &b; }),
                    1);
            }
            for (ColliderBox* b : boxes) {
                const HitRecord direct =
                    swept_box_test(b->x, b->y, b->w, b->h, b->dx, b->dy, x, y, 12, 12, dx, dy);
                const bool within_frame = direct.contact != ContactKind::none && direct.time_num >= 0 &&
                                          direct.time_num < direct.time_den;
                if (!within_frame) continue;
                ASSERT_TRUE(
                    std::any_of(hits.begin(), hits.end(), [&](const HitRecord& h) { return h.box == b; }))
                    << "missed the box at " << b->x << "," << b->y << " time " << direct.time_num << "/"
                    << direct.time_den;
            }
            ASSERT_TRUE(colliders_unmarked());
            ASSERT_EQ(block_item_count(query_stack), 0);
        }
    }
}

}  // namespace
}  // namespace novra
