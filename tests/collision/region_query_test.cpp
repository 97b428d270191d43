#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "collision/collision.h"

namespace novra {
namespace {

Collider* add(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx = 0, int32_t dy = 0) {
    grid_add_box(x, y, w, h, dx, dy);
    return &collision_grid->colliders.current->items[collision_grid->colliders.current->count - 1];
}

std::vector<Collider*> run_query(int32_t min_x, int32_t min_y, int32_t max_x, int32_t max_y) {
    RegionQuery query;
    region_query_begin(query, min_x, min_y, max_x, max_y);
    std::vector<Collider*> found;
    while (Collider* collider = region_query_next(query))
        found.push_back(collider);
    return found;
}

class RegionQueryTest : public testing::Test {
protected:
    void SetUp() override { collision_init(); }
};

TEST_F(RegionQueryTest, WalksCellsRowByRowFromTheBottomAndLeftToRight) {
    Collider* r = add(10, 70, 5, 5);  // cell (0, 1)
    Collider* q = add(70, 10, 5, 5);  // cell (1, 0)
    Collider* p = add(10, 10, 5, 5);  // cell (0, 0)
    EXPECT_EQ(run_query(0, 0, 128, 128), (std::vector<Collider*>{p, q, r}));
}

TEST_F(RegionQueryTest, InsideACellNewestBucketComesFirstThenEntryOrder) {
    std::vector<Collider*> c;
    for (int32_t i = 0; i < 5; ++i)
        c.push_back(add(10 + i, 10, 5, 5));
    EXPECT_EQ(run_query(0, 0, 64, 64), (std::vector<Collider*>{c[4], c[0], c[1], c[2], c[3]}));
}

TEST_F(RegionQueryTest, ColliderInFourCellsIsYieldedOnce) {
    Collider* spanning = add(60, 60, 10, 10);
    EXPECT_EQ(run_query(0, 0, 128, 128), std::vector<Collider*>{spanning});
}

TEST_F(RegionQueryTest, BoundsThatOnlyTouchAreNotOverlap) {
    add(30, 30, 30, 30);                              // [30, 60) x [30, 60)
    EXPECT_TRUE(run_query(60, 30, 70, 60).empty());   // right edge
    EXPECT_TRUE(run_query(20, 30, 30, 60).empty());   // left edge
    EXPECT_TRUE(run_query(30, 60, 60, 70).empty());   // top edge
    EXPECT_TRUE(run_query(30, 20, 60, 30).empty());   // bottom edge
    EXPECT_TRUE(run_query(60, 60, 70, 70).empty());   // corner
    EXPECT_EQ(run_query(59, 59, 70, 70).size(), 1u);  // one unit of overlap
}

TEST_F(RegionQueryTest, QueryWithoutAreaYieldsNothing) {
    add(30, 30, 30, 30);
    EXPECT_TRUE(run_query(40, 40, 40, 50).empty());
    EXPECT_TRUE(run_query(40, 40, 50, 40).empty());
    EXPECT_TRUE(run_query(50, 50, 40, 40).empty());
}

TEST_F(RegionQueryTest, ColliderWithNoMaskBitInCommonIsSkipped) {
    Collider* other_layer = add(30, 30, 30, 30);
    Collider* same_layer = add(35, 35, 5, 5);
    other_layer->mask = 2;
    EXPECT_EQ(run_query(0, 0, 64, 64), std::vector<Collider*>{same_layer});
}

TEST_F(RegionQueryTest, TwentyMatchesFillASecondStackBlockAndAllAreRestored) {
    std::vector<Collider*> all;
    for (int32_t i = 0; i < 20; ++i)
        all.push_back(add(i, i, 10, 10));
    Block<Collider*, 16>* first_block = query_stack;
    RegionQuery query;
    region_query_begin(query, 0, 0, 64, 64);
    std::vector<Collider*> found;
    while (Collider* collider = region_query_next(query)) {
        EXPECT_EQ(collider->visited, 1);
        found.push_back(collider);
        if (found.size() == 20) {
            EXPECT_NE(query_stack, first_block);
            EXPECT_EQ(query_stack->previous, first_block);
            EXPECT_EQ(query_stack->count, 4);
        }
    }
    EXPECT_EQ(found.size(), 20u);
    for (const Collider* collider : all)
        EXPECT_EQ(collider->visited, 0);
    EXPECT_EQ(block_item_count(query_stack), 0);
    EXPECT_EQ(run_query(0, 0, 64, 64), found);  // the same colliders in the same order
}

TEST_F(RegionQueryTest, NextAfterTheEndKeepsReturningNothing) {
    add(30, 30, 30, 30);
    RegionQuery query;
    region_query_begin(query, 0, 0, 64, 64);
    EXPECT_NE(region_query_next(query), nullptr);
    EXPECT_EQ(region_query_next(query), nullptr);
    EXPECT_EQ(region_query_next(query), nullptr);
    EXPECT_EQ(block_item_count(query_stack), 0);
}

TEST_F(RegionQueryTest, EarlyEndRestoresFlagsAndAnEndedQueryYieldsNothing) {
    Collider* a = add(10, 10, 5, 5);
    Collider* b = add(20, 10, 5, 5);
    RegionQuery query;
    region_query_begin(query, 0, 0, 64, 64);
    EXPECT_EQ(region_query_next(query), a);
    region_query_end(query);
    EXPECT_EQ(a->visited, 0);
    EXPECT_EQ(b->visited, 0);
    EXPECT_EQ(block_item_count(query_stack), 0);
    region_query_end(query);  // ending again does nothing
    EXPECT_EQ(block_item_count(query_stack), 0);
    EXPECT_EQ(region_query_next(query), nullptr);
}

// Boxes and queries outside the grid meet in its border cells, however far out, on every side.
TEST_F(RegionQueryTest, QueryOutsideTheGridFindsTheBoxesOutsideOnItsSide) {
    Collider* left_below = add(-30, -30, 20, 20);
    Collider* right = add(300, 10, 5, 5);
    Collider* far_above = add(100, 5000, 5, 5);
    Collider* far_left = add(-100000, 100, 5, 5);
    EXPECT_EQ(run_query(256, 0, 400, 100), std::vector<Collider*>{right});
    EXPECT_EQ(run_query(0, 192, 200, 6000), std::vector<Collider*>{far_above});
    EXPECT_EQ(run_query(-200000, 0, -50000, 192), std::vector<Collider*>{far_left});
    EXPECT_EQ(run_query(-40, -40, -20, -20), std::vector<Collider*>{left_below});
    EXPECT_TRUE(run_query(-200, -200, -64, -64).empty());  // the same border cell, but nothing there
    EXPECT_TRUE(run_query(1000, 1000, 2000, 2000).empty());
}

// The model of the walk: each cell keeps its colliders in entry order; the walk visits the range's cells
// bottom row first, left to right, and in each cell the groups of four from the newest group back.
struct Model {
    std::vector<Collider*> cells[12];
};

struct Range {
    int32_t first_column, column_end, first_row, row_end;
};

// Cells clamped to the grid: whatever lies outside it belongs to the nearest border cells.
int32_t range_start(int32_t min, int32_t count) {
    return std::clamp(min > 0 ? min / 64 : 0, 0, count - 1);
}
int32_t range_end(int32_t max, int32_t count) {
    return std::clamp(max > 0 ? max / 64 + (max % 64 != 0 ? 1 : 0) : 1, 1, count);
}
Range model_range(int32_t min_x, int32_t min_y, int32_t max_x, int32_t max_y) {
    return Range{range_start(min_x, 4), range_end(max_x, 4), range_start(min_y, 3), range_end(max_y, 3)};
}

std::vector<Collider*> model_query(const Model& model, int32_t min_x, int32_t min_y, int32_t max_x,
                                   int32_t max_y) {
    std::vector<Collider*> expected;
    if (min_x >= max_x || min_y >= max_y) return expected;
    const Range range = model_range(min_x, min_y, max_x, max_y);
    for (int32_t row = range.first_row; row < range.row_end; ++row) {
        for (int32_t column = range.first_column; column < range.column_end; ++column) {
            const std::vector<Collider*>& entries = model.cells[row * 4 + column];
            const int32_t size = static_cast<int32_t>(entries.size());
            for (int32_t group = (size - 1) / 4 * 4; group >= 0; group -= 4) {
                for (int32_t i = group; i < std::min(group + 4, size); ++i) {
                    Collider* c = entries[i];
                    const bool overlaps = c->min_x < max_x && c->max_x > min_x && c->min_y < max_y &&
                                          c->max_y > min_y && (c->mask & 1u) != 0;
                    if (overlaps && std::find(expected.begin(), expected.end(), c) == expected.end()) {
                        expected.push_back(c);
                    }
                }
            }
        }
    }
    return expected;
}

TEST(RegionQueryProperty, YieldsEachOverlappingColliderOnceInWalkOrderAndRestoresEverything) {
    std::mt19937 random(2024);
    std::uniform_int_distribution<int32_t> position(-100, 320), size(-2, 90), step(-20, 20), percent(0, 99);
    std::vector<Collider> filler(40, Collider{0, 0, 0, 0, 0, 7, nullptr});
    for (int32_t round = 0; round < 300; ++round) {
        collision_init();
        Model model;
        std::vector<Collider*> all;
        const int32_t boxes = 1 + round % 60;
        for (int32_t i = 0; i < boxes; ++i) {
            const int32_t w = size(random), h = size(random);
            const bool moving = percent(random) < 30;
            Collider* c = add(position(random), position(random), w, h, moving ? step(random) : 0,
                              moving ? step(random) : 0);
            if (percent(random) < 10) c->mask = 2;
            all.push_back(c);
            if (w <= 0 || h <= 0) continue;
            const Range range = model_range(c->min_x, c->min_y, c->max_x, c->max_y);
            for (int32_t row = range.first_row; row < range.row_end; ++row) {
                for (int32_t column = range.first_column; column < range.column_end; ++column) {
                    model.cells[row * 4 + column].push_back(c);
                }
            }
        }
        // Entries already on the stack from outside this query, up to and across a block boundary.
        const int32_t outside_entries = round % 40;
        for (int32_t i = 0; i < outside_entries; ++i)
            *block_append(query_stack) = &filler[i];
        Block<Collider*, 16>* top_block = query_stack;

        for (int32_t q = 0; q < 20; ++q) {
            const int32_t min_x = position(random), min_y = position(random);
            const int32_t max_x = min_x + size(random), max_y = min_y + size(random);
            const std::vector<Collider*> expected = model_query(model, min_x, min_y, max_x, max_y);
            const size_t stop_after = q % 3 == 0 ? expected.size() / 2 : expected.size() + 1;

            RegionQuery query;
            region_query_begin(query, min_x, min_y, max_x, max_y);
            std::vector<Collider*> found;
            while (found.size() < stop_after) {
                Collider* c = region_query_next(query);
                if (c == nullptr) break;
                ASSERT_EQ(c->visited, 1);
                found.push_back(c);
            }
            if (found.size() == stop_after) region_query_end(query);

            const std::vector<Collider*> expected_prefix(
                expected.begin(), expected.begin() + std::min(stop_after, expected.size()));
            ASSERT_EQ(found, expected_prefix)
                << "query " << min_x << "," << min_y << " to " << max_x << "," << max_y;
            for (const Collider* c : all)
                ASSERT_EQ(c->visited, 0);
            ASSERT_EQ(block_item_count(query_stack), outside_entries);
            ASSERT_TRUE(query_stack == top_block ||
                        (query_stack->count == 0 && query_stack->previous == top_block));
            for (const Collider& outside : filler)
                ASSERT_EQ(outside.visited, 7);
        }
    }
}

}  // namespace
}  // namespace novra
