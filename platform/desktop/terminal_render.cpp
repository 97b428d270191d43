// Console cells to ANSI escapes.
#include "platform/desktop/terminal_render.h"

#include <algorithm>

#include "platform/sim/text.h"

namespace novra {

namespace {

// Windows' colour bits are blue 1, green 2, red 4; ANSI's order is red 1, green 2, blue 4.
int ansi_colour(uint16_t bits) {
    return ((bits & 4) ? 1 : 0) | ((bits & 2) ? 2 : 0) | ((bits & 1) ? 4 : 0);
}

std::string sgr(uint16_t attributes) {
    int foreground = ansi_colour(attributes & 7) + ((attributes & FOREGROUND_INTENSITY) ? 90 : 30);
    int background = ansi_colour((attributes >> 4) & 7) + ((attributes & BACKGROUND_INTENSITY) ? 100 : 40);
    return "\x1b[0;" + std::to_string(foreground) + ";" + std::to_string(background) + "m";
}

std::string move_to(int row, int column) {
    return "\x1b[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H";
}

bool is_high(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

TerminalScreen terminal_screen(int16_t columns, int16_t rows) {
    return TerminalScreen{
        std::max<int16_t>(columns, 1), std::max<int16_t>(rows, 1), 0, {}, 0xFFFF, {}, false};
}

std::string terminal_render(TerminalScreen& screen, SimConsole& console) {
    std::string out;
    const int shown_columns = std::min<int>(screen.columns, console.width);
    const int shown_rows = std::min<int>(screen.rows, console.height);
    // Follow the cursor as a console window scrolls to keep it in view.
    if (console.cursor.Y < screen.top) screen.top = console.cursor.Y;
    if (console.cursor.Y >= screen.top + shown_rows) screen.top = int16_t(console.cursor.Y - shown_rows + 1);
    screen.top = int16_t(std::clamp<int>(screen.top, 0, std::max(console.height - shown_rows, 0)));
    console.window_top = screen.top;

    if (screen.shown.empty()) {
        out += "\x1b[0m\x1b[H\x1b[2J";
        screen.attributes_shown = 0xFFFF;
        screen.shown.assign(size_t(screen.columns) * size_t(screen.rows), ConsoleCell{u' ', 0xFFFF});
    }
    for (int row = 0; row < shown_rows; ++row) {
        const ConsoleCell* line = &console.cells[size_t(screen.top + row) * size_t(console.width)];
        bool position_known = false;
        for (int column = 0; column < shown_columns; ++column) {
            ConsoleCell cell = line[column];
            if (cell.ch == 0) cell.ch = u' ';
            ConsoleCell& shown = screen.shown[size_t(row) * size_t(screen.columns) + size_t(column)];
            if (shown.ch == cell.ch && shown.attributes == cell.attributes) {
                position_known = false;
                continue;
            }
            shown = cell;
            if (!position_known) out += move_to(row, column);
            if (cell.attributes != screen.attributes_shown) {
                out += sgr(cell.attributes);
                screen.attributes_shown = cell.attributes;
            }
            char32_t code_point = cell.ch;
            if (is_high(cell.ch) && column + 1 < shown_columns && is_low(line[column + 1].ch)) {
                code_point =
                    0x10000 + ((char32_t(cell.ch) - 0xD800) << 10) + (char32_t(line[column + 1].ch) - 0xDC00);
            } else if (is_high(cell.ch) || is_low(cell.ch)) {
                code_point = is_low(cell.ch) && column > 0 && is_high(line[column - 1].ch) ? 0 : 0xFFFD;
            }
            if (code_point != 0) utf8_append(out, code_point);
            // Past ASCII the terminal's column width is its own guess, so place the next cell anew.
            position_known = code_point >= 0x20 && code_point < 0x7F;
        }
    }
    if (!screen.title_sent || screen.title_shown != console.title) {
        out += "\x1b]2;" + utf8_from_utf16(console.title) + "\x07";
        screen.title_shown = console.title;
        screen.title_sent = true;
    }
    int cursor_row = console.cursor.Y - screen.top;
    if (cursor_row >= 0 && cursor_row < shown_rows && console.cursor.X < shown_columns) {
        out += move_to(cursor_row, console.cursor.X);
    }
    return out;
}

}  // namespace novra
