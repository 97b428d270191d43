#include "collision/cell_range.h"

#include <algorithm>
#include <limits>

namespace novra {
namespace {

int32_t clamp_to_int32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Cells are clamped to the grid: whatever lies outside its extent belongs to the border cell nearest it,
// so a box far out is still found by a query that is far out on the same side, and nothing is lost.

// Index of the cell holding offset `start` from the origin, clamped to [0, cells - 1].
int32_t cell_start(int64_t start, int32_t cell_size, int32_t cells) {
    if (start <= 0) return 0;
    return static_cast<int32_t>(std::min<int64_t>(start / cell_size, cells - 1));
}

// One past the cell holding the last unit before offset `end`, clamped to [1, cells].
int32_t cell_end(int64_t end, int32_t cell_size, int32_t cells) {
    if (end <= 0) return 1;
    return static_cast<int32_t>(std::min<int64_t>(end / cell_size + (end % cell_size != 0 ? 1 : 0), cells));
}

}  // namespace

Bounds motion_bounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy) {
    const int64_t end_x = int64_t{x} + dx;
    const int64_t end_y = int64_t{y} + dy;
    return Bounds{clamp_to_int32(std::min<int64_t>(x, end_x)), clamp_to_int32(std::min<int64_t>(y, end_y)),
                  clamp_to_int32(std::max<int64_t>(x, end_x) + w),
                  clamp_to_int32(std::max<int64_t>(y, end_y) + h)};
}

CellRange cell_range(const CollisionGrid& grid, const Bounds& bounds) {
    return CellRange{
        cell_start(int64_t{bounds.min_x} - grid.origin_x, grid.cell_width, grid.columns),
        cell_end(int64_t{bounds.max_x} - grid.origin_x, grid.cell_width, grid.columns),
        cell_start(int64_t{bounds.min_y} - grid.origin_y, grid.cell_height, grid.rows),
        cell_end(int64_t{bounds.max_y} - grid.origin_y, grid.cell_height, grid.rows),
    };
}

}  // namespace novra
