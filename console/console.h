// The debug console: log lines inserted above the line being typed, and a non-blocking line editor
// driven once per pass of the main loop. Win32 code: it talks to the console through platform/win32.h.
//
// Rows and columns are signed 16-bit, the width of the console's coordinates. Every function here does
// nothing while the cached buffer width or height is 0 or less (no usable console).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

namespace novra {

struct ConsoleState {
    HANDLE output;  // from GetStdHandle(STD_OUTPUT_HANDLE) at startup
    HANDLE input;   // from GetStdHandle(STD_INPUT_HANDLE) at startup
    // Read at startup and at the end of every console_write_line. dwSize is the buffer width W and
    // height H; dwCursorPosition is the anchor, the cell where the line being typed begins, which the
    // console keeps itself in between; wAttributes is the attribute given to cells a scroll clears.
    CONSOLE_SCREEN_BUFFER_INFO info;
};

constexpr int32_t input_line_capacity = 256;  // code units a typed line holds

struct InputLine {
    WCHAR buffer[input_line_capacity + 1];  // the typed text, always followed by zeros
    int32_t write_position;                 // code units typed, 0 to 256
    int32_t cursor_position;                // code units before the editor's cursor, 0 to write_position
    bool names_pending;    // the last key was a Tab that found several names: the next Tab lists them
    int16_t column_count;  // cells the typed text takes, from its anchor, as the
                           // console lays it out (row ends it skips included)
};

constexpr DWORD input_batch_capacity = 8;  // key records taken per poll

struct InputBatch {
    INPUT_RECORD records[input_batch_capacity];
    DWORD count;  // records last read; back to 0 at the end of every poll that read some
};

constexpr int32_t line_history_capacity = 32;  // finished lines Up and Down walk back through

struct LineHistory {
    WCHAR lines[line_history_capacity][input_line_capacity + 1];  // oldest first, zero-terminated
    int32_t count;                                                // lines kept, 0 to 32
    int32_t browsing;  // the line shown: count while typing a new one, else an index into lines
    WCHAR draft[input_line_capacity + 1];  // the line being typed, kept while older ones are shown
};

extern ConsoleState console_state;
extern InputLine input_line;
extern LineHistory line_history;
extern InputBatch input_batch;

// Every heap block the console takes (one per log line, one per finished typed line) comes from here:
// std::malloc, swapped by tests to make an allocation fail. Null means the line in hand is dropped.
extern void* (*console_allocate)(size_t bytes);

// Where a finished typed line goes: called once per Enter with the line as zero-terminated UTF-8, after
// the new, empty line has begun below it, so that the lines the handler logs appear under the finished
// one. The text is valid only during the call. Null (as at start): the line is dropped.
extern void (*console_line_handler)(const char* line);

// What Tab completes: the name of the command at `index`, or null past the last. Null (as at start):
// Tab does nothing.
extern const char* (*console_command_name)(int32_t index);

// Puts every record the console keeps (the cached console, the typed line, the batch and the
// allocator) back as a new process has it.
void console_reset();

// Longest log line written, in code units; longer lines are cut (see console_write_line).
constexpr int32_t log_line_limit = 32767;

// Scrolls the whole screen buffer up by `rows` (> 0) and moves the anchor up with it. The top rows are
// lost; the bottom rows are cleared to blanks of the console's default attribute.
void console_scroll_up(int16_t rows);

// Writes one zero-terminated UTF-16 line above the line being typed, which moves down (scrolling the
// buffer first if it would pass the bottom). The console cursor is left at column 0 of the typed line
// and the cache is re-read. A null line is ignored. A line is cut to the code units the buffer can show
// above the typed line, and never beyond log_line_limit, so the 16-bit row arithmetic stays exact.
void console_write_line(const WCHAR* text);

// PlatformTable entry 3: converts one zero-terminated UTF-8 line (malformed input becomes U+FFFD) and
// writes it with console_write_line. A null line is ignored; a failed allocation drops the line.
void console_log(const char* line);

// Takes up to 8 waiting console records without blocking and edits the typed line with their key-downs,
// then redraws it at the anchor with the console's cursor at the editor's. Characters are inserted at
// the cursor; Left/Right move it a character (a surrogate pair is one), Ctrl+Left/Right a word,
// Home/End and Ctrl+A/Ctrl+E to the line's start/end; Backspace deletes before it, Delete under it,
// Ctrl+U to the start, Ctrl+K to the end, Ctrl+W the word before it; Up/Down walk the history of the
// last 32 finished lines; Tab completes the command name before the cursor (one match: whole, with a
// space; several: their common start, and a second Tab logs them); Enter finishes the line wherever
// the cursor is.
// Returns at once, drawing nothing, when no record is waiting.
void console_poll_input();

// Display width of one UTF-16 code unit: 1 or 2. Each half of a surrogate pair counts 2.
int16_t char_columns(WCHAR ch);

struct TextLayout {
    int32_t units;  // code units laid out
    int32_t cells;  // cells from the first row's start to just after the last of them
};

// Lays out up to `length` code units of `text` from a row's first cell in a console `width` (> 0)
// cells wide, as the console writes them: a full-width character that would meet the row's end starts
// the next row, leaving the last cell blank; in a console one cell wide every unit takes one cell.
// Stops before the first unit that would end past `cell_limit` cells.
TextLayout console_layout(const WCHAR* text, int32_t length, int32_t width, int32_t cell_limit);

}  // namespace novra
