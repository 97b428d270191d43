#include <algorithm>
#include <cstdlib>

#include "console/console.h"

namespace novra {

ConsoleState console_state;
void* (*console_allocate)(size_t bytes) = std::malloc;

void console_reset() {
    console_state = {};
    input_line = {};
    line_history = {};
    input_batch = {};
    console_allocate = std::malloc;
    console_line_handler = nullptr;
    console_command_name = nullptr;
}

namespace {

// Row and column values are worked in int and stored back as 16-bit coordinates; the callers keep every
// stored value within range, so the narrowing never changes a value.
int16_t coordinate(int32_t value) {
    return static_cast<int16_t>(value);
}

// The fill for cells a scroll or move clears. Character 0 with attribute 0 would make later text
// written into those cells (which keeps the cell's attribute) invisible, so the cells take the
// console's default text attribute instead.
CHAR_INFO blank_cell() {
    CHAR_INFO cell{};
    cell.Char.UnicodeChar = 0;
    cell.Attributes = console_state.info.wAttributes;
    return cell;
}

// Code units before the terminator, counting no further than `limit`.
int32_t text_length(const WCHAR* text, int32_t limit) {
    int32_t length = 0;
    while (length < limit && text[length] != 0)
        ++length;
    return length;
}

}  // namespace

void console_scroll_up(int16_t rows) {
    const int16_t width = console_state.info.dwSize.X;
    const int16_t height = console_state.info.dwSize.Y;
    if (width <= 0 || height <= 0 || rows <= 0) return;
    // Rows `rows` to H - 1 move to row 0 and the rows they leave are filled. Every rectangle and the
    // destination lie inside the buffer: Wine refuses a scroll that reaches past it (Windows would clip
    // it), and a refused scroll would leave new lines writing over old rows. A move fills only the
    // rows of its source that its destination does not cover, so it goes in steps of at most half the
    // buffer; by H rows or more every row is lost.
    const SMALL_RECT buffer{0, 0, coordinate(width - 1), coordinate(height - 1)};
    const CHAR_INFO fill = blank_cell();
    if (height == 1) {
        // One row cannot move within itself: the whole buffer goes off the top, which Windows clips.
        const SMALL_RECT past{0, 0, width, height};
        ScrollConsoleScreenBufferW(console_state.output, &past, &past, COORD{0, coordinate(-rows)}, &fill);
    }
    const int32_t most = std::max(1, height / 2);
    for (int32_t left = std::min<int32_t>(rows, height); left > 0 && height > 1;) {
        const int32_t step = std::min(left, most);
        const SMALL_RECT lower{0, coordinate(step), buffer.Right, buffer.Bottom};
        ScrollConsoleScreenBufferW(console_state.output, &lower, &buffer, COORD{0, 0}, &fill);
        left -= step;
    }
    COORD& anchor = console_state.info.dwCursorPosition;
    anchor.Y = coordinate(anchor.Y - rows);
}

void console_write_line(const WCHAR* text) {
    const int16_t width = console_state.info.dwSize.X;
    const int16_t height = console_state.info.dwSize.Y;
    if (text == nullptr || width <= 0 || height <= 0) return;
    int16_t anchor_row = console_state.info.dwCursorPosition.Y;
    const int16_t typed_rows_below = coordinate(input_line.column_count / width);

    // The line may take the rows above the typed line when that sits on the buffer's last row, and no
    // more rows than keep the typed line's new row within 16 bits. A longer line would start above the
    // buffer's first row, where the console writes nothing, and be lost whole; cut, its start survives.
    // A line of exactly k rows of cells counts k + 1 rows, hence the - 1. Rows are counted in the cells
    // the console lays the line out on, full-width characters and the row ends they skip included.
    const int32_t rows_free = std::max(1, std::min(height - 1 - typed_rows_below, 32767 - anchor_row));
    const int32_t cell_limit = width * rows_free - 1;
    const TextLayout layout = console_layout(text, text_length(text, log_line_limit), width, cell_limit);
    const int32_t length = layout.units;

    const int16_t log_rows_below = coordinate(layout.cells / width);
    int16_t typed_row = coordinate(anchor_row + log_rows_below + 1);
    const int16_t overflow = coordinate((typed_rows_below + 1) + (typed_row - height));
    if (overflow > 0) {
        console_scroll_up(overflow);
        anchor_row = coordinate(anchor_row - overflow);
        typed_row = coordinate(typed_row - overflow);
    }

    const SMALL_RECT typed_line{0, anchor_row, coordinate(width - 1),
                                coordinate(anchor_row + typed_rows_below)};
    const CHAR_INFO fill = blank_cell();
    ScrollConsoleScreenBufferW(console_state.output, &typed_line, nullptr, COORD{0, typed_row}, &fill);
    DWORD written = 0;
    WriteConsoleOutputCharacterW(console_state.output, text, DWORD(length), COORD{0, anchor_row}, &written);
    SetConsoleCursorPosition(console_state.output, COORD{0, typed_row});
    GetConsoleScreenBufferInfo(console_state.output, &console_state.info);
}

void console_log(const char* line) {
    if (line == nullptr) return;
    const int units = MultiByteToWideChar(CP_UTF8, 0, line, -1, nullptr, 0);
    if (units <= 0) return;
    auto* wide = static_cast<WCHAR*>(console_allocate(size_t(units) * sizeof(WCHAR)));
    if (wide == nullptr) return;
    if (MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, units) > 0) console_write_line(wide);
    std::free(wide);
}

}  // namespace novra
