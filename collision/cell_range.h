// Bounds of moving boxes and the range of grid cells a bounds covers; shared by the grid, the region
// query and the sweep.
#pragma once

#include <cstdint>

#include "collision/collision.h"

namespace novra {

// The half-open area [min_x, max_x) x [min_y, max_y).
struct Bounds {
    int32_t min_x, min_y, max_x, max_y;
};

// Cells [first_column, column_end) x [first_row, row_end); empty when a start is not below its end
// (only callers make it so, for a box or query without area).
struct CellRange {
    int32_t first_column, column_end, first_row, row_end;
};

// Every position of box (x, y, w, h) along its displacement (dx, dy):
// [min(x, x + dx), max(x, x + dx) + w) x [min(y, y + dy), max(y, y + dy) + h), summed in 64 bits and
// clamped to the int32 range (which lies far outside the grid, so clamping never changes a cell).
Bounds motion_bounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy);

// The cells `bounds` covers, clamped to the grid: a bounds partly or wholly outside the grid's extent
// takes the border cells nearest it, so the range is never empty and every box, however far out, is
// found by a query on the same side. Starts are clamped to [0, cells - 1], ends rounded up to whole
// cells and clamped to [1, cells].
CellRange cell_range(const CollisionGrid& grid, const Bounds& bounds);

inline bool cell_range_empty(const CellRange& range) {
    return range.first_column >= range.column_end || range.first_row >= range.row_end;
}

}  // namespace novra
