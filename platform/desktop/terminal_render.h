// The desktop driver's console output: the screen buffer shown on a terminal, which is a view onto the
// buffer and never interprets it. The terminal shows the buffer's first columns, clipped at its width
// (never wrapped), and the rows that end at the cursor's row, so the line being typed is in view as far
// as it fits. Each cell is shown at its column: a full-width character over its two cells, a control
// character or DEL as a visible glyph, code unit 0 as a blank. Only what changed since the last render
// is written; the title goes out as an xterm title escape.
//
// Without a terminal (output to a file or a pipe, or TERM=dumb) the buffer is shown as plain lines
// instead: each row once it lies above the cursor's row, which the console never writes again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/driver.h"
#include "platform/sim/console_glyphs.h"

namespace novra {

struct TerminalScreen {
    int16_t columns;  // terminal size
    int16_t rows;
    int16_t top;                   // first buffer row shown
    std::vector<ShownCell> shown;  // what the terminal shows, columns * rows; empty: nothing known yet
    uint16_t attributes_shown;     // the terminal's current colours, as a console attribute
    std::u16string title_shown;
    bool title_sent;
    int8_t cursor_shown;  // -1 unknown, 0 hidden, 1 shown
};

// A screen for a terminal of `columns` x `rows`, with nothing rendered yet: the next render clears the
// terminal and draws everything.
TerminalScreen terminal_screen(int16_t columns, int16_t rows);

// The bytes that bring the terminal from what `screen` says it shows to `console`'s state: changed
// cells, the title when it changed, and the cursor (hidden while it lies outside the view). Updates
// `screen` and the console's window top.
std::string terminal_render(TerminalScreen& screen, SimConsole& console);

// What `count` cells of one row show in the terminal (console_row_glyphs), characters the terminal would
// not draw in their cells as U+FFFD.
std::vector<ShownCell> terminal_row_glyphs(const ConsoleCell* cells, int count);

// Rows of the console already written as plain lines, counted from the console's first row ever (rows
// that scrolled off the top included).
struct TerminalLines {
    uint64_t written;
};

// Plain UTF-8 lines, one per row that now lies above the cursor's row and was not written yet, trailing
// blanks removed; no escape sequence and no control character.
std::string terminal_lines(TerminalLines& lines, const SimConsole& console);

}  // namespace novra
