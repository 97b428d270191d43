#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "collision/collision.h"

namespace novra {
namespace {

constexpr int64_t never = std::numeric_limits<int64_t>::max();

// Allocations asked of refusing_allocate so far; those numbered in [refused_from, refused_to) fail.
int64_t allocations_made = 0;
int64_t refused_from = never;
int64_t refused_to = never;

void* refusing_allocate(size_t bytes) {
    const int64_t index = allocations_made++;
    return index >= refused_from && index < refused_to ? nullptr : std::malloc(bytes);
}

void refuse(int64_t from, int64_t to) {
    allocations_made = 0;
    refused_from = from;
    refused_to = to;
}

using Box = std::array<int32_t, 6>;  // x, y, w, h, dx, dy

Box box_fields(const ColliderBox& box) {
    return Box{box.x, box.y, box.w, box.h, box.dx, box.dy};
}

int64_t boxes_recorded() {
    return collider_boxes.current != nullptr ? block_item_count(collider_boxes.current) : 0;
}

// The distinct boxes a query over the area yields, in the order first yielded.
std::vector<ColliderBox*> query_boxes(int32_t min_x, int32_t min_y, int32_t max_x, int32_t max_y) {
    RegionQuery query;
    region_query_begin(query, min_x, min_y, max_x, max_y);
    std::vector<ColliderBox*> found;
    while (Collider* collider = region_query_next(query)) {
        if (std::find(found.begin(), found.end(), collider->box) == found.end())
            found.push_back(collider->box);
    }
    return found;
}

// The distinct boxes a sweep meets, in the order first met.
std::vector<ColliderBox*> swept_boxes(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy) {
    SweepQuery query;
    std::vector<ColliderBox*> found;
    for (HitRecord hit = sweep_begin(query, x, y, w, h, dx, dy); hit.contact != ContactKind::none;
         hit = sweep_next(query)) {
        if (std::find(found.begin(), found.end(), hit.box) == found.end()) found.push_back(hit.box);
    }
    return found;
}

std::vector<ColliderBox*> all_boxes() {
    std::vector<ColliderBox*> boxes;
    for (Block<ColliderBox, 64>* block = collider_boxes.first; block != nullptr; block = block->next) {
        for (int32_t i = 0; i < block->count; ++i)
            boxes.push_back(&block->items[i]);
        if (block == collider_boxes.current) break;
    }
    return boxes;
}

// The boxes a sweep must meet: those the moving box touches whose motion bounds overlap its own with
// positive area (coordinates kept small, so no bounds is clamped).
std::set<ColliderBox*> model_sweep(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy) {
    std::set<ColliderBox*> met;
    for (ColliderBox* b : all_boxes()) {
        const bool overlap = std::min(b->x, b->x + b->dx) < std::max(x, x + dx) + w &&
                             std::max(b->x, b->x + b->dx) + b->w > std::min(x, x + dx) &&
                             std::min(b->y, b->y + b->dy) < std::max(y, y + dy) + h &&
                             std::max(b->y, b->y + b->dy) + b->h > std::min(y, y + dy);
        const HitRecord hit = swept_box_test(b->x, b->y, b->w, b->h, b->dx, b->dy, x, y, w, h, dx, dy);
        if (overlap && b->w > 0 && b->h > 0 && hit.contact != ContactKind::none) met.insert(b);
    }
    return met;
}

// Everything the stores hold, by box contents, so two stores built apart can be compared.
struct Snapshot {
    std::vector<Box> boxes;
    std::vector<std::array<int32_t, 6>> colliders;  // bounds, mask, visited
    std::vector<Box> collider_boxes_in_order;
    std::array<std::vector<Box>, 12> cells;  // head bucket first, entry order
    int64_t buckets;
    std::vector<Box> whole_world_query;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot() {
    Snapshot shot{};
    for (const ColliderBox* box : all_boxes())
        shot.boxes.push_back(box_fields(*box));
    for (Block<Collider, 64>* block = collision_grid->colliders.first; block != nullptr;
         block = block->next) {
        for (int32_t i = 0; i < block->count; ++i) {
            const Collider& c = block->items[i];
            shot.colliders.push_back({c.min_x, c.min_y, c.max_x, c.max_y, int32_t(c.mask), c.visited});
            shot.collider_boxes_in_order.push_back(box_fields(*c.box));
        }
        if (block == collision_grid->colliders.current) break;
    }
    for (int32_t cell = 0; cell < 12; ++cell) {
        for (CellBucket* bucket = collision_grid->cells[cell]; bucket != nullptr; bucket = bucket->next) {
            for (int32_t i = 0; i < bucket->count; ++i)
                shot.cells[cell].push_back(box_fields(*bucket->colliders[i]->box));
        }
    }
    shot.buckets = block_item_count(collision_grid->buckets.current);
    for (const ColliderBox* box : query_boxes(-1000, -1000, 1000, 1000))
        shot.whole_world_query.push_back(box_fields(*box));
    return shot;
}

// Boxes inside the grid, some covering all of it and past its edges, some moving, some without area.
std::vector<Box> box_sequence(int32_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> x_position(30, 180), y_position(30, 120), size(-2, 40),
        step(-30, 30), percent(0, 99);
    std::vector<Box> boxes;
    for (int32_t i = 0; i < count; ++i) {
        if (percent(random) < 8) {
            boxes.push_back(Box{-10, -5, 280, 200, 0, 0});
            continue;
        }
        const bool moving = percent(random) < 30;
        const int32_t x = x_position(random), y = y_position(random), w = size(random), h = size(random);
        boxes.push_back(Box{x, y, w, h, moving ? step(random) : 0, moving ? step(random) : 0});
    }
    return boxes;
}

void add(const Box& b) {
    grid_add_box(b[0], b[1], b[2], b[3], b[4], b[5]);
}

class CollisionAllocationFailure : public testing::Test {
protected:
    void SetUp() override {
        refuse(never, never);
        collision_allocate = refusing_allocate;
    }
    void TearDown() override {
        collision_allocate = std::malloc;
        collision_init();
    }
};

TEST_F(CollisionAllocationFailure, InitLeavesEachStoreItCannotMakeNullAndEveryOperationWorksWithout) {
    struct Case {
        int64_t refused_from, refused_to;  // of the init's allocations and the operations' after them
        int64_t init_allocations;          // a grid record that cannot be had takes no blocks
        bool grid, stack, boxes;           // which stores exist afterwards
    };
    const Case cases[] = {
        {0, 1, 3, false, true, true},        // the grid record
        {1, 2, 5, false, true, true},        // the grid's bucket block
        {2, 3, 5, false, true, true},        // the grid's collider block
        {3, 4, 5, true, false, true},        // the query_stack
        {4, 5, 5, true, true, false},        // collider_boxes
        {0, never, 3, false, false, false},  // everything
        {3, never, 5, true, false, false},   // the query_stack and collider_boxes
    };
    const std::vector<Box> boxes = box_sequence(150, 7);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "refused " << c.refused_from << " to " << c.refused_to);
        refuse(c.refused_from, c.refused_to);
        collision_init();
        EXPECT_EQ(allocations_made, c.init_allocations);
        EXPECT_EQ(collision_grid != nullptr, c.grid);
        EXPECT_EQ(query_stack != nullptr, c.stack);
        EXPECT_EQ(collider_boxes.first != nullptr, c.boxes);
        EXPECT_EQ(collider_boxes.current, collider_boxes.first);

        const bool records = c.grid && c.boxes;
        for (int32_t frame = 0; frame < 2; ++frame) {
            for (const Box& box : boxes)
                add(box);
            EXPECT_EQ(boxes_recorded(), records ? int64_t(boxes.size()) : 0);
            const size_t with_area = size_t(
                std::count_if(boxes.begin(), boxes.end(), [](const Box& b) { return b[2] > 0 && b[3] > 0; }));
            EXPECT_EQ(query_boxes(-1000, -1000, 1000, 1000).size(), records && c.stack ? with_area : 0);
            const std::set<ColliderBox*> met =
                records && c.stack ? model_sweep(0, 0, 12, 12, 240, 170) : std::set<ColliderBox*>{};
            const std::vector<ColliderBox*> swept = swept_boxes(0, 0, 12, 12, 240, 170);
            EXPECT_EQ(std::set<ColliderBox*>(swept.begin(), swept.end()), met);
            EXPECT_EQ(met.empty(), !(records && c.stack));
            grid_reset();
            EXPECT_EQ(boxes_recorded(), 0);
            EXPECT_TRUE(query_boxes(-1000, -1000, 1000, 1000).empty());
        }
    }
}

// Each allocation after the init is refused in turn, alone or with every later one. A box that cannot
// have a block it needs must leave no trace: the stores equal fresh ones given only the boxes that were
// recorded, before and after further boxes are added with allocations granted again.
TEST_F(CollisionAllocationFailure, BoxThatCannotHaveABlockIsDroppedWholeAndLaterBoxesAreUnaffected) {
    const std::vector<Box> boxes = box_sequence(150, 11);
    const std::vector<Box> later = box_sequence(40, 12);
    int64_t runs_with_drops = 0, runs_recording_after_a_drop = 0;
    for (int64_t refused = 0;; ++refused) {
        bool any_dropped = false;
        for (const int64_t refused_to : {refused + 1, never}) {
            refuse(never, never);
            collision_init();
            refuse(refused, refused_to);
            std::vector<Box> recorded;
            bool dropped = false, recorded_after_drop = false;
            for (const Box& box : boxes) {
                const int64_t before = boxes_recorded();
                add(box);
                const int64_t added = boxes_recorded() - before;
                ASSERT_TRUE(added == 0 || added == 1);
                if (added == 1) recorded.push_back(box);
                if (added == 1 && dropped) recorded_after_drop = true;
                dropped = dropped || added == 0;
            }
            refuse(never, never);
            const Snapshot failed = snapshot();
            for (const Box& box : later)
                add(box);
            const Snapshot failed_then_later = snapshot();

            collision_init();
            for (const Box& box : recorded)
                add(box);
            ASSERT_EQ(snapshot(), failed) << "refused " << refused << " to " << refused_to;
            for (const Box& box : later)
                add(box);
            ASSERT_EQ(snapshot(), failed_then_later) << "refused " << refused << " to " << refused_to;

            any_dropped = any_dropped || dropped;
            runs_with_drops += dropped ? 1 : 0;
            runs_recording_after_a_drop += recorded_after_drop ? 1 : 0;
        }
        if (!any_dropped) break;
    }
    EXPECT_GT(runs_with_drops, 5);
    EXPECT_GT(runs_recording_after_a_drop, 5);
}

TEST_F(CollisionAllocationFailure, QueryStackThatCannotGrowStillYieldsEveryColliderAndEveryContact) {
    std::vector<Collider> filler(16, Collider{0, 0, 0, 0, 0, 7, nullptr});
    for (const int32_t outside_entries : {16, 13, 9}) {
        SCOPED_TRACE(testing::Message() << outside_entries << " entries already on the stack");
        refuse(never, never);
        collision_init();
        for (const Box& box : box_sequence(60, 3))
            add(box);
        for (int32_t i = 0; i < outside_entries; ++i)
            *block_append(query_stack) = &filler[i];
        refuse(0, never);

        // Queries and sweeps inside the grid, where the grid's cells hold every box they overlap.
        std::mt19937 random(5);
        std::uniform_int_distribution<int32_t> x_position(60, 166), y_position(60, 102), size(1, 30),
            step(-60, 60);
        for (int32_t q = 0; q < 60; ++q) {
            const int32_t x = x_position(random), y = y_position(random), w = size(random), h = size(random);
            std::set<ColliderBox*> overlapping;
            for (ColliderBox* b : all_boxes()) {
                const Collider probe{std::min(b->x, b->x + b->dx),
                                     std::min(b->y, b->y + b->dy),
                                     std::max(b->x, b->x + b->dx) + b->w,
                                     std::max(b->y, b->y + b->dy) + b->h,
                                     1,
                                     0,
                                     b};
                if (b->w > 0 && b->h > 0 && probe.min_x < x + w && probe.max_x > x && probe.min_y < y + h &&
                    probe.max_y > y) {
                    overlapping.insert(b);
                }
            }
            const std::vector<ColliderBox*> found = query_boxes(x, y, x + w, y + h);
            EXPECT_EQ(std::set<ColliderBox*>(found.begin(), found.end()), overlapping);

            const int32_t dx = step(random), dy = step(random);  // the sweep stays inside the grid
            const std::vector<ColliderBox*> swept = swept_boxes(x, y, w, h, dx, dy);
            EXPECT_EQ(std::set<ColliderBox*>(swept.begin(), swept.end()), model_sweep(x, y, w, h, dx, dy));

            ASSERT_EQ(block_item_count(query_stack), outside_entries);
            for (Block<Collider, 64>* block = collision_grid->colliders.first; block != nullptr;
                 block = block->next) {
                for (int32_t i = 0; i < block->count; ++i)
                    ASSERT_EQ(block->items[i].visited, 0);
                if (block == collision_grid->colliders.current) break;
            }
        }
        EXPECT_GT(allocations_made, 0);  // pushes did ask for a block and were refused
        for (const Collider& outside : filler)
            EXPECT_EQ(outside.visited, 7);
    }
}

}  // namespace
}  // namespace novra
