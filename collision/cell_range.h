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

// Cells [first_column, column_end) x [first_row, row_end); empty when a start is not below its end.
struct CellRange {
    int32_t first_column, column_end, first_row, row_end;
};

// Every position of box (x, y, w, h) along its displacement (dx, dy):
// [min(x, x + dx), max(x, x + dx) + w) x [min(y, y + dy), max(y, y + dy) + h), summed in 64 bits and
// clamped to the int32 range (which lies far outside the grid, so clamping never changes a cell).
Bounds motion_bounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy);

// The cells `bounds` covers: starts raised to 0, ends rounded up to whole cells and capped at columns and
// rows only when the bounds reach the grid's extent. Ends of bounds lying less than one cell left of or
// below the grid come out as 1.
CellRange cell_range(const CollisionGrid& grid, const Bounds& bounds);

inline bool cell_range_empty(const CellRange& range) {
    return range.first_column >= range.column_end || range.first_row >= range.row_end;
}

}  // namespace novra
