// ScrollConsoleScreenBufferW: moves a rectangle of cells, limited by an optional clip rectangle, and
// fills the cells the move uncovered.
#include <algorithm>
#include <vector>

#include "platform/sim/internal.h"

namespace novra {

namespace {

// Inclusive rectangles in 32-bit arithmetic, so that edges one past the buffer do not overflow.
struct Area {
    int32_t left, top, right, bottom;
};

Area area_intersect(Area a, Area b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool area_empty(Area a) {
    return a.left > a.right || a.top > a.bottom;
}

bool area_contains(Area a, int32_t x, int32_t y) {
    return x >= a.left && x <= a.right && y >= a.top && y <= a.bottom;
}

Area area_from(const SMALL_RECT& rect) {
    return {rect.Left, rect.Top, rect.Right, rect.Bottom};
}

std::string rect_text(const SMALL_RECT* rect) {
    if (!rect) return "null";
    return std::to_string(rect->Left) + "," + std::to_string(rect->Top) + "," + std::to_string(rect->Right) +
           "," + std::to_string(rect->Bottom);
}

}  // namespace

}  // namespace novra

using namespace novra;

BOOL WINAPI ScrollConsoleScreenBufferW(HANDLE output, const SMALL_RECT* scroll, const SMALL_RECT* clip,
                                       COORD destination, const CHAR_INFO* fill) {
    if (calls_recorded()) {
        call_record("ScrollConsoleScreenBufferW",
                    {call_handle(output), rect_text(scroll), rect_text(clip),
                     std::to_string(destination.X) + "," + std::to_string(destination.Y),
                     fill ? std::to_string(fill->Char.UnicodeChar) + "/" + std::to_string(fill->Attributes)
                          : "null"});
    }
    SimConsole& console = sim.console;
    if (output != console_output_handle() || !console.attached || !console.output_open) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!scroll || !fill) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const Area buffer{0, 0, console.width - 1, console.height - 1};
    // The source is the scroll rectangle clipped to the buffer; the destination keeps its place
    // relative to the cells that remain, so clipping the source shifts the destination with it.
    Area source = area_intersect(area_from(*scroll), buffer);
    if (area_empty(source)) return TRUE;
    const int32_t shift_x = int32_t(destination.X) - scroll->Left;
    const int32_t shift_y = int32_t(destination.Y) - scroll->Top;
    const Area allowed = area_intersect(clip ? area_from(*clip) : buffer, buffer);
    const Area target = area_intersect(
        Area{source.left + shift_x, source.top + shift_y, source.right + shift_x, source.bottom + shift_y},
        allowed);

    std::vector<ConsoleCell> before = console.cells;
    auto cell = [&](std::vector<ConsoleCell>& cells, int32_t x, int32_t y) -> ConsoleCell& {
        return cells[size_t(y) * size_t(console.width) + size_t(x)];
    };
    for (int32_t y = target.top; y <= target.bottom; ++y) {
        for (int32_t x = target.left; x <= target.right; ++x)
            cell(console.cells, x, y) = cell(before, x - shift_x, y - shift_y);
    }
    // Source cells the move left behind are filled, as far as the clip rectangle allows.
    const Area uncovered = area_intersect(source, allowed);
    for (int32_t y = uncovered.top; y <= uncovered.bottom; ++y) {
        for (int32_t x = uncovered.left; x <= uncovered.right; ++x) {
            if (!area_contains(target, x, y))
                cell(console.cells, x, y) = ConsoleCell{fill->Char.UnicodeChar, fill->Attributes};
        }
    }
    // A whole-width move of the rows up to the last one, to row 0, is the buffer scrolling up: a driver
    // that shows rows by their place in the whole history needs to know.
    if (source.left == 0 && source.right == console.width - 1 && source.bottom == console.height - 1 &&
        shift_x == 0 && shift_y < 0 && target.top == 0 && target.left == 0 && target.right == source.right) {
        console.rows_scrolled += uint64_t(-shift_y);
    }
    ++console.version;
    return TRUE;
}
