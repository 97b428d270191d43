// The desktop driver's console output: the screen buffer mirrored on a terminal with ANSI escapes.
// The terminal shows the buffer's first columns and, when the buffer is taller than the terminal, the
// rows around the cursor, following it as a console window does. Only cells that changed since the
// last render are written; the title goes out as an xterm title escape.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/simulated.h"

namespace novra {

struct TerminalScreen {
    int16_t columns;  // terminal size
    int16_t rows;
    int16_t top;                     // first buffer row shown
    std::vector<ConsoleCell> shown;  // what the terminal shows, columns * rows; empty before the first render
    uint16_t attributes_shown;       // the terminal's current colours, as a console attribute
    std::u16string title_shown;
    bool title_sent;
};

// A screen for a terminal of `columns` x `rows`, with nothing rendered yet.
TerminalScreen terminal_screen(int16_t columns, int16_t rows);

// The bytes that bring the terminal from what `screen` says it shows to `console`'s state: changed
// cells (code unit 0 shown as a space, surrogate pairs joined, lone surrogates as U+FFFD), the title
// when it changed, and the cursor. Updates `screen` and the console's window top.
std::string terminal_render(TerminalScreen& screen, SimConsole& console);

}  // namespace novra
