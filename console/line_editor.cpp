#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "console/console.h"

namespace novra {

InputLine input_line;
InputBatch input_batch;
LineHistory line_history;
void (*console_line_handler)(const char* line) = nullptr;
const char* (*console_command_name)(int32_t index) = nullptr;

namespace {

int16_t coordinate(int32_t value) {
    return static_cast<int16_t>(value);
}

bool is_high(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low(WCHAR unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The position one character before or after `at`: a surrogate pair is stepped over whole.
int32_t character_before(int32_t at) {
    if (at >= 2 && is_low(input_line.buffer[at - 1]) && is_high(input_line.buffer[at - 2])) return at - 2;
    return std::max(0, at - 1);
}
int32_t character_after(int32_t at) {
    const int32_t end = input_line.write_position;
    if (at + 1 < end && is_high(input_line.buffer[at]) && is_low(input_line.buffer[at + 1])) return at + 2;
    return std::min(end, at + 1);
}

// Words are runs of anything but spaces.
int32_t word_start_before(int32_t at) {
    while (at > 0 && input_line.buffer[at - 1] == u' ')
        --at;
    while (at > 0 && input_line.buffer[at - 1] != u' ')
        --at;
    return at;
}
int32_t word_end_after(int32_t at) {
    const int32_t end = input_line.write_position;
    while (at < end && input_line.buffer[at] == u' ')
        ++at;
    while (at < end && input_line.buffer[at] != u' ')
        ++at;
    return at;
}

// Removes the code units from `from` to `to` and leaves the cursor where they began.
void line_erase(int32_t from, int32_t to) {
    if (from >= to) return;
    WCHAR* buffer = input_line.buffer;
    std::memmove(buffer + from, buffer + to, size_t(input_line.write_position - to) * sizeof(WCHAR));
    input_line.write_position -= to - from;
    std::memset(buffer + input_line.write_position, 0, size_t(to - from) * sizeof(WCHAR));
    input_line.cursor_position = from;
}

// At the 256-unit limit nothing is inserted.
void line_insert(WCHAR ch) {
    if (input_line.write_position >= input_line_capacity) return;
    WCHAR* at = input_line.buffer + input_line.cursor_position;
    std::memmove(at + 1, at, size_t(input_line.write_position - input_line.cursor_position) * sizeof(WCHAR));
    *at = ch;
    ++input_line.write_position;
    ++input_line.cursor_position;
}

void line_replace(const WCHAR* text) {
    std::memset(input_line.buffer, 0, sizeof input_line.buffer);
    int32_t length = 0;
    while (length < input_line_capacity && text[length] != 0)
        ++length;
    std::memcpy(input_line.buffer, text, size_t(length) * sizeof(WCHAR));
    input_line.write_position = input_line.cursor_position = length;
}

// Up (`step` -1) and Down (+1): the line being typed is kept as the draft when the walk leaves it and
// comes back after Down past the newest line. A recalled line, once edited, is a line of its own.
void history_walk(int32_t step) {
    LineHistory& history = line_history;
    const int32_t next = history.browsing + step;
    if (next < 0 || next > history.count) return;
    if (history.browsing == history.count)
        std::memcpy(history.draft, input_line.buffer, sizeof history.draft);
    history.browsing = next;
    line_replace(next == history.count ? history.draft : history.lines[next]);
}

// A finished line that is not empty and not the newest one again joins the history, the oldest
// making room.
void history_keep() {
    LineHistory& history = line_history;
    if (input_line.write_position > 0 &&
        (history.count == 0 ||
         std::memcmp(history.lines[history.count - 1], input_line.buffer, sizeof input_line.buffer) != 0)) {
        if (history.count == line_history_capacity) {
            std::memmove(history.lines[0], history.lines[1],
                         sizeof history.lines[0] * (line_history_capacity - 1));
            --history.count;
        }
        std::memcpy(history.lines[history.count], input_line.buffer, sizeof input_line.buffer);
        ++history.count;
    }
    history.browsing = history.count;
}

// The finished line, converted to UTF-8, goes to the line handler; the typed line is emptied first, so
// the handler finds a console ready for the next line. A failed allocation drops the line.
void line_hand_over() {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, input_line.buffer, -1, nullptr, 0, nullptr, nullptr);
    char* utf8 = bytes > 0 ? static_cast<char*>(console_allocate(size_t(bytes))) : nullptr;
    if (utf8 != nullptr)
        WideCharToMultiByte(CP_UTF8, 0, input_line.buffer, -1, utf8, bytes, nullptr, nullptr);
    history_keep();
    input_line.write_position = input_line.cursor_position = 0;
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
    // The line's end is kept in view; the console's cursor goes to the editor's, on the same layout.
    const int32_t cursor_cells =
        console_layout(input_line.buffer, input_line.cursor_position, width, INT32_MAX).cells;
    cursor_row -= columns / width - cursor_cells / width;
    // A cursor on a row of the line above the buffer waits at the buffer's first cell, the nearest
    // the console can show.
    const int32_t cursor_column = cursor_row < 0 ? 0 : cursor_cells % width;
    SetConsoleCursorPosition(console_state.output,
                             COORD{coordinate(cursor_column), coordinate(std::max(cursor_row, 0))});
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

// Completes the command name typed before the cursor, which must be the line's first word: one match
// whole with a space after it, several their common start, and the next Tab lists them as a log line.
void line_complete() {
    if (console_command_name == nullptr) return;
    const int32_t typed = input_line.cursor_position;
    char prefix[input_line_capacity + 1];
    for (int32_t i = 0; i < typed; ++i) {
        const WCHAR unit = input_line.buffer[i];
        if (unit == u' ' || unit > 0x7F) return;
        prefix[i] = char(unit);
    }
    const char* first = nullptr;
    size_t common = 0;
    int32_t matches = 0;
    char listed[1024] = "";
    for (int32_t index = 0; const char* name = console_command_name(index); ++index) {
        if (std::strncmp(name, prefix, size_t(typed)) != 0) continue;
        if (matches++ == 0) {
            first = name;
            common = std::strlen(name);
        }
        size_t shared = 0;
        while (shared < common && name[shared] == first[shared])
            ++shared;
        common = shared;
        if (std::strlen(listed) + std::strlen(name) + 3 < sizeof listed) {
            if (listed[0] != 0) std::strcat(listed, "  ");
            std::strcat(listed, name);
        }
    }
    if (matches == 0) return;
    for (size_t i = size_t(typed); i < common; ++i)
        line_insert(WCHAR(first[i]));
    if (matches == 1) {
        if (input_line.buffer[input_line.cursor_position] != u' ') line_insert(u' ');
        return;
    }
    const bool second = input_line.names_pending;
    input_line.names_pending = true;
    if (second && common == size_t(typed)) console_log(listed);
}

// Keys without a character: the cursor keys, Delete and history. Others (Shift, F1, ...) do nothing.
void line_take_key(WORD virtual_key, DWORD control_state) {
    const bool control = (control_state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) != 0;
    int32_t& cursor = input_line.cursor_position;
    switch (virtual_key) {
        case VK_LEFT:
            cursor = control ? word_start_before(cursor) : character_before(cursor);
            return;
        case VK_RIGHT:
            cursor = control ? word_end_after(cursor) : character_after(cursor);
            return;
        case VK_HOME:
            cursor = 0;
            return;
        case VK_END:
            cursor = input_line.write_position;
            return;
        case VK_DELETE:
            line_erase(cursor, character_after(cursor));
            return;
        case VK_UP:
            history_walk(-1);
            return;
        case VK_DOWN:
            history_walk(+1);
            return;
        default:
            return;
    }
}

void line_take(const KEY_EVENT_RECORD& key, int16_t width, int16_t height) {
    const WCHAR ch = key.uChar.UnicodeChar;
    int32_t& cursor = input_line.cursor_position;
    if (ch != 9) input_line.names_pending = false;
    switch (ch) {
        case 0:
            line_take_key(key.wVirtualKeyCode, key.dwControlKeyState);
            break;
        case 9:  // Tab
            line_complete();
            line_measure(width);
            return;
        case 1:  // Ctrl+A
            cursor = 0;
            break;
        case 5:  // Ctrl+E
            cursor = input_line.write_position;
            break;
        case 8:
            line_erase(character_before(cursor), cursor);
            break;
        case 11:  // Ctrl+K
            line_erase(cursor, input_line.write_position);
            break;
        case 21:  // Ctrl+U
            line_erase(0, cursor);
            break;
        case 23:  // Ctrl+W
            line_erase(word_start_before(cursor), cursor);
            break;
        case 13:
            line_finish(width, height);
            return;
        default:
            line_insert(ch);
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
        line_take(record.Event.KeyEvent, width, height);
    }
    line_redraw(width, height);
    input_batch.count = 0;
}

}  // namespace novra
