#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "console/console.h"

namespace novra {

InputLine input_line;
InputBatch input_batch;
void (*console_line_handler)(const char* line) = nullptr;

namespace {

int16_t coordinate(int32_t value) {
    return static_cast<int16_t>(value);
}

void line_backspace() {
    if (input_line.write_position == 0) return;
    --input_line.write_position;
    input_line.buffer[input_line.write_position] = 0;
}

void line_append(WCHAR ch) {
    if (input_line.write_position >= input_line_capacity) return;
    input_line.buffer[input_line.write_position] = ch;
    ++input_line.write_position;
}

// The finished line, converted to UTF-8, goes to the line handler; the typed line is emptied first, so
// the handler finds a console ready for the next line. A failed allocation drops the line.
void line_hand_over() {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, input_line.buffer, -1, nullptr, 0, nullptr, nullptr);
    char* utf8 = bytes > 0 ? static_cast<char*>(console_allocate(size_t(bytes))) : nullptr;
    if (utf8 != nullptr)
        WideCharToMultiByte(CP_UTF8, 0, input_line.buffer, -1, utf8, bytes, nullptr, nullptr);
    input_line.write_position = 0;
    std::memset(input_line.buffer, 0, input_line_capacity * sizeof(WCHAR));
    if (utf8 == nullptr) return;
    if (console_line_handler != nullptr) console_line_handler(utf8);
    std::free(utf8);
}

// All 256 code units are written, the zeros after the text included, so the cells of characters just
// deleted are blanked.
void line_redraw(int16_t width, int16_t height) {
    const int32_t columns = input_line.column_count;
    COORD& anchor = console_state.info.dwCursorPosition;
    // In a buffer with fewer rows than the line needs, keeping its end in view scrolls its start above
    // the first row. Once Backspace has made it shorter it comes back down, as far as it fits, instead of
    // staying out of sight.
    if (anchor.Y < 0) anchor.Y = coordinate(std::min(0, height - 1 - columns / width));
    int32_t cursor_row = anchor.Y + columns / width;
    if (cursor_row >= height) {
        console_scroll_up(coordinate(cursor_row - height + 1));
        cursor_row = height - 1;
    }
    SetConsoleCursorPosition(console_state.output,
                             COORD{coordinate(columns % width), coordinate(cursor_row)});
    // The console writes nothing from a row above the buffer, so the rows of the line that lie there
    // are left out and the rest is written from the first row.
    const int32_t hidden = std::max(0, -int32_t(anchor.Y)) * int32_t(width);
    if (hidden >= input_line_capacity) return;
    DWORD written = 0;
    WriteConsoleOutputCharacterW(console_state.output, input_line.buffer + hidden,
                                 DWORD(input_line_capacity - hidden),
                                 COORD{anchor.X, coordinate(std::max<int32_t>(anchor.Y, 0))}, &written);
}

// The finished text stays where it was typed and the new line begins on the row after its last row.
void line_finish(int16_t width, int16_t height) {
    // Text typed in the same batch as the Enter has not been drawn yet; draw it first, so that a line
    // typed or pasted faster than one batch per frame still stays on the console where it was typed.
    line_redraw(width, height);
    COORD& anchor = console_state.info.dwCursorPosition;
    const int32_t rows_down = input_line.column_count / width + 1;
    anchor.X = 0;
    input_line.column_count = 0;
    // Scrolling before the anchor moves ends where moving first would, and keeps every stored row
    // within 16 bits even for an anchor near the largest buffer's last row.
    const int32_t new_row = anchor.Y + rows_down;
    if (new_row >= height) console_scroll_up(coordinate(new_row - height + 1));
    anchor.Y = coordinate(anchor.Y + rows_down);
    SetConsoleCursorPosition(console_state.output, anchor);
    line_hand_over();
}

// The cells the typed text takes are counted again from the whole line, because a full-width
// character moved to the next row at a row's end takes a cell more than its own two.
void line_measure(int16_t width) {
    const TextLayout layout = console_layout(input_line.buffer, input_line.write_position, width, INT32_MAX);
    input_line.column_count = coordinate(layout.cells);
}

void line_take(WCHAR ch, int16_t width, int16_t height) {
    switch (ch) {
        case 0:  // keys without a character: arrows, Shift and the like
        case 9:  // Tab
            return;
        case 8:
            line_backspace();
            break;
        case 13:
            line_finish(width, height);
            return;
        default:
            line_append(ch);
    }
    line_measure(width);
}

}  // namespace

int16_t char_columns(WCHAR ch) {
    const uint32_t unit = uint32_t(ch);
    if (unit <= 0x00FF) return 1;
    if (unit <= 0xFF60) return 2;
    if (unit <= 0xFF9F) return 1;  // halfwidth punctuation and katakana
    if (unit <= 0xFFE7) return 2;
    if (unit <= 0xFFEE) return 1;  // halfwidth symbols
    return 2;
}

TextLayout console_layout(const WCHAR* text, int32_t length, int32_t width, int32_t cell_limit) {
    TextLayout layout{0, 0};
    for (; layout.units < length; ++layout.units) {
        const int32_t cells = width == 1 ? 1 : char_columns(text[layout.units]);
        int32_t start = layout.cells;
        if (cells == 2 && start % width == width - 1) ++start;
        if (start + cells > cell_limit) break;
        layout.cells = start + cells;
    }
    return layout;
}

void console_poll_input() {
    const int16_t width = console_state.info.dwSize.X;
    const int16_t height = console_state.info.dwSize.Y;
    if (width <= 0 || height <= 0) return;
    // Peek first: ReadConsoleInputW would block on an empty queue.
    PeekConsoleInputW(console_state.input, input_batch.records, 1, &input_batch.count);
    if (input_batch.count == 0) return;
    ReadConsoleInputW(console_state.input, input_batch.records, input_batch_capacity, &input_batch.count);
    for (DWORD i = 0; i < input_batch.count; ++i) {
        const INPUT_RECORD& record = input_batch.records[i];
        // Each key-down counts once, whatever its repeat count.
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
        line_take(record.Event.KeyEvent.uChar.UnicodeChar, width, height);
    }
    line_redraw(width, height);
    input_batch.count = 0;
}

}  // namespace novra
