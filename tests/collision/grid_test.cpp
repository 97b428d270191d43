#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "collision/collision.h"

namespace novra {
namespace {

constexpr int32_t int_max = std::numeric_limits<int32_t>::max();
constexpr int32_t int_min = std::numeric_limits<int32_t>::min();

// Every collider entered into a cell, walking its chain from the head.
std::vector<Collider*> cell_colliders(int32_t column, int32_t row) {
    std::vector<Collider*> found;
    for (CellBucket* bucket = collision_grid->cells[row * 4 + column]; bucket != nullptr;
         bucket = bucket->next) {
        for (int32_t i = 0; i < bucket->count; ++i)
            found.push_back(bucket->colliders[i]);
    }
    return found;
}

// Bit r * 4 + c set for each cell (c, r) holding `collider`.
uint32_t cells_holding(const Collider* collider) {
    uint32_t cells = 0;
    for (int32_t row = 0; row < 3; ++row) {
        for (int32_t column = 0; column < 4; ++column) {
            for (const Collider* entry : cell_colliders(column, row)) {
                if (entry == collider) cells |= 1u << (row * 4 + column);
            }
        }
    }
    return cells;
}

constexpr uint32_t cell(int32_t column, int32_t row) {
    return 1u << (row * 4 + column);
}

Collider* last_collider() {
    return &collision_grid->colliders.current->items[collision_grid->colliders.current->count - 1];
}

class Grid : public testing::Test {
protected:
    void SetUp() override { collision_init(); }
};

struct RangeCase {
    int32_t x, y, w, h, dx, dy;
    int32_t min_x, min_y, max_x, max_y;
    uint32_t cells;
};

TEST_F(Grid, EntersEachColliderIntoTheCellsItsBoundsCover) {
    const RangeCase cases[] = {
        {30, 30, 30, 30, 0, 0, 30, 30, 60, 60, cell(0, 0)},
        {0, 0, 64, 64, 0, 0, 0, 0, 64, 64, cell(0, 0)},  // an end on a cell border stays in the cell
        {64, 0, 1, 1, 0, 0, 64, 0, 65, 1, cell(1, 0)},
        {200, 150, 100, 100, 0, 0, 200, 150, 300, 250, cell(3, 2)},
        {255, 191, 1, 1, 0, 0, 255, 191, 256, 192, cell(3, 2)},
        // Outside the grid's extent, on any side and however far: the border cells nearest it.
        {256, 10, 5, 5, 0, 0, 256, 10, 261, 15, cell(3, 0)},  // starts at the right edge
        {10, 192, 5, 5, 0, 0, 10, 192, 15, 197, cell(0, 2)},  // starts at the top edge
        {1000, 5000, 5, 5, 0, 0, 1000, 5000, 1005, 5005, cell(3, 2)},
        {-100000, 100, 5, 5, 0, 0, -100000, 100, -99995, 105, cell(0, 1)},
        {100, -100000, 5, 5, 0, 0, 100, -100000, 105, -99995, cell(1, 0)},
        {240, 100, 100, 20, 0, 0, 240, 100, 340, 120, cell(3, 1)},  // partly right of the grid
        {-10, 10, 9, 10, 0, 0, -10, 10, -1, 20, cell(0, 0)},        // ends less than a cell left of the grid
        {-127, 10, 64, 10, 0, 0, -127, 10, -63, 20, cell(0, 0)},
        {-128, 10, 64, 10, 0, 0, -128, 10, -64, 20, cell(0, 0)},  // ends a whole cell left of the grid
        {63, 63, 2, 2, 0, 0, 63, 63, 65, 65, cell(0, 0) | cell(1, 0) | cell(0, 1) | cell(1, 1)},
        {-5, -5, 300, 300, 0, 0, -5, -5, 295, 295, 0xFFFu},
        {60, 60, 12, 12, -1, -1, 59, 59, 72, 72, cell(0, 0) | cell(1, 0) | cell(0, 1) | cell(1, 1)},
        {60, 60, 12, 12, 10, -70, 60, -10, 82, 72, cell(0, 0) | cell(1, 0) | cell(0, 1) | cell(1, 1)},
        {120, 70, 12, 12, 8, 0, 120, 70, 140, 82, cell(1, 1) | cell(2, 1)},
        // Sums beyond the int32 range are clamped, never wrapped into the grid.
        {int_max - 5, 10, 100, 5, 0, 0, int_max - 5, 10, int_max, 15, cell(3, 0)},
        {10, 10, 5, 5, int_max, 0, 10, 10, int_max, 15, cell(0, 0) | cell(1, 0) | cell(2, 0) | cell(3, 0)},
        {int_min + 1, 10, 5, 5, -10, 0, int_min, 10, int_min + 6, 15, cell(0, 0)},
        {int_max, int_max, int_max, int_max, int_max, int_max, int_max, int_max, int_max, int_max,
         cell(3, 2)},
    };
    for (const RangeCase& c : cases) {
        collision_init();
        grid_add_box(c.x, c.y, c.w, c.h, c.dx, c.dy);
        const Collider* collider = last_collider();
        SCOPED_TRACE(testing::Message() << "box " << c.x << "," << c.y << " " << c.w << "x" << c.h << " by "
                                        << c.dx << "," << c.dy);
        EXPECT_EQ(collider->min_x, c.min_x);
        EXPECT_EQ(collider->min_y, c.min_y);
        EXPECT_EQ(collider->max_x, c.max_x);
        EXPECT_EQ(collider->max_y, c.max_y);
        EXPECT_EQ(cells_holding(collider), c.cells);
    }
}

TEST_F(Grid, RecordsTheBoxAsReceivedWithAFreshCollider) {
    grid_add_box(30, 31, 32, 33, -4, 5);
    const ColliderBox& box = collider_boxes.current->items[0];
    EXPECT_EQ(collider_boxes.current->count, 1);
    EXPECT_EQ(box.ignored, 0);
    EXPECT_EQ(box.x, 30);
    EXPECT_EQ(box.y, 31);
    EXPECT_EQ(box.w, 32);
    EXPECT_EQ(box.h, 33);
    EXPECT_EQ(box.dx, -4);
    EXPECT_EQ(box.dy, 5);
    const Collider* collider = last_collider();
    EXPECT_EQ(collider->box, &box);
    EXPECT_EQ(collider->mask, 1u);
    EXPECT_EQ(collider->visited, 0);
}

TEST_F(Grid, FifthColliderInACellOpensANewHeadBucket) {
    std::vector<Collider*> entered;
    for (int32_t i = 0; i < 5; ++i) {
        grid_add_box(10 + i, 10, 5, 5, 0, 0);
        entered.push_back(last_collider());
    }
    CellBucket* head = collision_grid->cells[0];
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->count, 1);
    EXPECT_EQ(head->colliders[0], entered[4]);
    EXPECT_EQ(head->prev, nullptr);
    CellBucket* older = head->next;
    ASSERT_NE(older, nullptr);
    EXPECT_EQ(older->next, nullptr);
    EXPECT_EQ(older->prev, head);
    ASSERT_EQ(older->count, 4);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(older->colliders[i], entered[i]);
}

TEST_F(Grid, BoxWithoutAreaIsRecordedButInNoCell) {
    const int32_t sizes[][2] = {{0, 10}, {10, 0}, {-3, 10}, {10, -3}, {int_min, int_min}};
    for (const auto& size : sizes) {
        grid_add_box(20, 20, size[0], size[1], 5, 5);
        EXPECT_EQ(last_collider()->box->w, size[0]);
        EXPECT_EQ(last_collider()->box->h, size[1]);
    }
    EXPECT_EQ(collider_boxes.current->count, 5);
    EXPECT_EQ(collision_grid->colliders.current->count, 5);
    for (CellBucket* head : collision_grid->cells)
        EXPECT_EQ(head, nullptr);
    EXPECT_EQ(collision_grid->buckets.current->count, 0);
}

TEST_F(Grid, ResetEmptiesEveryCellAndReusesTheFirstSlots) {
    for (int32_t i = 0; i < 150; ++i)
        grid_add_box(i, i % 150, 20, 20, 0, 0);  // grows every list
    Block<Collider, 64>* second_colliders = collision_grid->colliders.first->next;
    ASSERT_NE(second_colliders, nullptr);
    grid_reset();
    for (CellBucket* head : collision_grid->cells)
        EXPECT_EQ(head, nullptr);
    EXPECT_EQ(collider_boxes.current, collider_boxes.first);
    EXPECT_EQ(collider_boxes.first->count, 0);
    EXPECT_EQ(collision_grid->buckets.current, collision_grid->buckets.first);
    EXPECT_EQ(collision_grid->buckets.first->count, 0);
    EXPECT_EQ(collision_grid->colliders.current, collision_grid->colliders.first);
    EXPECT_EQ(collision_grid->colliders.first->count, 0);
    EXPECT_EQ(collision_grid->colliders.first->next, second_colliders);  // blocks are kept

    grid_add_box(30, 30, 30, 30, 0, 0);
    EXPECT_EQ(last_collider(), &collision_grid->colliders.first->items[0]);
    EXPECT_EQ(last_collider()->box, &collider_boxes.first->items[0]);
    EXPECT_EQ(collision_grid->cells[0], &collision_grid->buckets.first->items[0]);
    EXPECT_EQ(cell_colliders(0, 0), std::vector<Collider*>{last_collider()});
}

TEST_F(Grid, ManyCollidersStayReachableFromEveryCellTheyCover) {
    std::vector<Collider*> entered;
    for (int32_t i = 0; i < 300; ++i) {
        grid_add_box((i * 37) % 250, (i * 53) % 190, 1 + i % 70, 1 + i % 50, 0, 0);
        entered.push_back(last_collider());
    }
    size_t total = 0;
    for (int32_t row = 0; row < 3; ++row) {
        for (int32_t column = 0; column < 4; ++column) {
            const std::vector<Collider*> found = cell_colliders(column, row);
            total += found.size();
            for (const Collider* collider : found) {
                EXPECT_LT(collider->min_x, (column + 1) * 64);
                EXPECT_GT(collider->max_x, column * 64);
                EXPECT_LT(collider->min_y, (row + 1) * 64);
                EXPECT_GT(collider->max_y, row * 64);
            }
        }
    }
    size_t expected = 0;  // every box starts inside the grid: cells from its start up to its rounded-up end
    for (const Collider* collider : entered) {
        const int32_t columns = std::min((collider->max_x + 63) / 64, 4) - collider->min_x / 64;
        const int32_t rows = std::min((collider->max_y + 63) / 64, 3) - collider->min_y / 64;
        expected += static_cast<size_t>(columns * rows);
    }
    EXPECT_EQ(total, expected);
}

TEST(CollisionInit, MakesFreshEmptyStoresEachTime) {
    collision_init();
    grid_add_box(30, 30, 30, 30, 0, 0);
    collision_init();
    ASSERT_NE(collision_grid, nullptr);
    EXPECT_EQ(collision_grid->columns, 4);
    EXPECT_EQ(collision_grid->rows, 3);
    EXPECT_EQ(collision_grid->cell_width, 64);
    EXPECT_EQ(collision_grid->cell_height, 64);
    EXPECT_EQ(collision_grid->origin_x, 0);
    EXPECT_EQ(collision_grid->origin_y, 0);
    EXPECT_EQ(collision_grid->extent_width, 256);
    EXPECT_EQ(collision_grid->extent_height, 192);
    for (CellBucket* head : collision_grid->cells)
        EXPECT_EQ(head, nullptr);
    EXPECT_EQ(collision_grid->buckets.first, collision_grid->buckets.current);
    EXPECT_EQ(collision_grid->buckets.first->count, 0);
    EXPECT_EQ(collision_grid->colliders.first, collision_grid->colliders.current);
    EXPECT_EQ(collision_grid->colliders.first->count, 0);
    ASSERT_NE(query_stack, nullptr);
    EXPECT_EQ(query_stack->count, 0);
    EXPECT_EQ(query_stack->previous, nullptr);
    EXPECT_EQ(collider_boxes.first, collider_boxes.current);
    EXPECT_EQ(collider_boxes.first->count, 0);
}

}  // namespace
}  // namespace novra
