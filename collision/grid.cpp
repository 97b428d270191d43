#include "collision/cell_range.h"

namespace novra {
namespace {

constexpr int32_t bucket_capacity = 4;

bool cell_needs_bucket(const CellBucket* head) {
    return head == nullptr || head->count == bucket_capacity;
}

int32_t buckets_needed(const CollisionGrid& grid, const CellRange& range) {
    int32_t needed = 0;
    for (int32_t row = range.first_row; row < range.row_end; ++row) {
        for (int32_t column = range.first_column; column < range.column_end; ++column) {
            needed += cell_needs_bucket(grid.cells[row * grid.columns + column]) ? 1 : 0;
        }
    }
    return needed;
}

// Appending and popping back leaves the blocks linked behind the current one, where later appends reuse
// them without allocating; so after a true result `count` buckets can be appended without failure.
bool buckets_reserve(BlockList<CellBucket, bucket_capacity>& buckets, int32_t count) {
    int32_t appended = 0;
    while (appended < count && block_append(buckets.current, collision_allocate) != nullptr)
        ++appended;
    for (int32_t i = 0; i < appended; ++i)
        block_pop(buckets.current);
    return appended == count;
}

void cell_enter(CollisionGrid& grid, int32_t cell, Collider* collider) {
    CellBucket* head = grid.cells[cell];
    if (cell_needs_bucket(head)) {
        CellBucket* fresh = block_append(grid.buckets.current, collision_allocate);  // reserved beforehand
        fresh->next = head;
        fresh->prev = nullptr;
        fresh->count = 0;
        if (head != nullptr) head->prev = fresh;
        grid.cells[cell] = fresh;
        head = fresh;
    }
    head->colliders[head->count++] = collider;
}

}  // namespace

void grid_add_box(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy) {
    CollisionGrid* grid = collision_grid;
    if (grid == nullptr || collider_boxes.current == nullptr) return;

    ColliderBox* box = block_append(collider_boxes.current, collision_allocate);
    if (box == nullptr) return;
    Collider* collider = block_append(grid->colliders.current, collision_allocate);
    if (collider == nullptr) {
        block_pop(collider_boxes.current);
        return;
    }
    const Bounds bounds = motion_bounds(x, y, w, h, dx, dy);
    const bool covers_area = w > 0 && h > 0;
    CellRange range = cell_range(*grid, bounds);
    if (!covers_area) range = CellRange{0, 0, 0, 0};  // recorded, but no query can find it
    if (!buckets_reserve(grid->buckets, buckets_needed(*grid, range))) {
        block_pop(grid->colliders.current);
        block_pop(collider_boxes.current);
        return;
    }

    *box = ColliderBox{0, x, y, w, h, dx, dy, {}};
    *collider = Collider{bounds.min_x, bounds.min_y, bounds.max_x, bounds.max_y, 1, 0, box};
    for (int32_t row = range.first_row; row < range.row_end; ++row) {
        for (int32_t column = range.first_column; column < range.column_end; ++column) {
            cell_enter(*grid, row * grid->columns + column, collider);
        }
    }
}

void grid_reset() {
    if (collider_boxes.first != nullptr) block_rewind(collider_boxes.first, collider_boxes.current);
    CollisionGrid* grid = collision_grid;
    if (grid == nullptr) return;
    for (int32_t cell = 0; cell < grid->columns * grid->rows; ++cell)
        grid->cells[cell] = nullptr;
    block_rewind(grid->buckets.first, grid->buckets.current);
    block_rewind(grid->colliders.first, grid->colliders.current);
}

}  // namespace novra
