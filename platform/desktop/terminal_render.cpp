// Console cells to ANSI escapes, and to plain lines.
#include "platform/desktop/terminal_render.h"

#include <algorithm>
#include <clocale>
#include <cwchar>

#include "platform/sim/text.h"

namespace novra {

namespace {

// Columns the terminal gives `code_point` (above U+00FF), as the C library's UTF-8 tables say: 0 for
// combining and invisible characters, which a terminal would put into the cell before, -1 for what it
// does not print. Without a UTF-8 locale every such character counts as unprintable.
int terminal_columns(char32_t code_point) {
    static const locale_t utf8 = [] {
        locale_t found = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        return found ? found : newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t(0));
    }();
    if (!utf8) return -1;
    const locale_t previous = uselocale(utf8);
    const int columns = wcwidth(wchar_t(code_point));
    uselocale(previous);
    return columns;
}

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

}  // namespace

std::vector<ShownCell> terminal_row_glyphs(const ConsoleCell* cells, int count) {
    std::vector<ShownCell> glyphs;
    console_row_glyphs(cells, count, terminal_columns, glyphs);
    return glyphs;
}

TerminalScreen terminal_screen(int16_t columns, int16_t rows) {
    return TerminalScreen{
        std::max<int16_t>(columns, 1), std::max<int16_t>(rows, 1), 0, {}, 0xFFFF, {}, false, -1};
}

std::string terminal_render(TerminalScreen& screen, SimConsole& console) {
    std::string out;
    const int shown_columns = std::min<int>(screen.columns, console.width);
    const int shown_rows = std::min<int>(screen.rows, console.height);
    // The view ends at the cursor's row, so that a line being typed is in view as far as it fits, and
    // comes back whole as soon as Backspace makes it fit again.
    screen.top = int16_t(std::clamp<int>(console.cursor.Y - shown_rows + 1, 0, console.height - shown_rows));
    console.window_top = screen.top;

    if (screen.shown.empty()) {
        out += "\x1b[0m\x1b[H\x1b[2J";
        screen.attributes_shown = 0xFFFF;
        screen.cursor_shown = -1;
        screen.shown.assign(size_t(screen.columns) * size_t(screen.rows), ShownCell{U' ', 1, 0xFFFF});
    }
    for (int row = 0; row < shown_rows; ++row) {
        const std::vector<ShownCell> wanted = terminal_row_glyphs(
            &console.cells[size_t(screen.top + row) * size_t(console.width)], shown_columns);
        ShownCell* shown = &screen.shown[size_t(row) * size_t(screen.columns)];
        bool position_known = false;  // the terminal's cursor stands at `column`
        for (int column = 0; column < shown_columns;
             column += std::max<int>(wanted[size_t(column)].columns, 1)) {
            const ShownCell& glyph = wanted[size_t(column)];
            const int span = std::max<int>(glyph.columns, 1);
            if (std::equal(&wanted[size_t(column)], &wanted[size_t(column)] + span, shown + column)) {
                position_known = false;
                continue;
            }
            std::copy_n(&wanted[size_t(column)], span, shown + column);
            if (!position_known) out += move_to(row, column);
            if (glyph.attributes != screen.attributes_shown) {
                out += sgr(glyph.attributes);
                screen.attributes_shown = glyph.attributes;
            }
            // Both cells are cleared first, so a glyph the terminal draws narrower leaves no trace. The
            // way back is absolute: at the last column the terminal's cursor does not move on.
            if (span == 2) out += "  " + move_to(row, column);
            utf8_append(out, glyph.glyph);
            // Past ASCII the terminal's column width is its own guess, so place the next cell anew.
            position_known = span == 1 && glyph.glyph >= 0x20 && glyph.glyph < 0x7F;
        }
    }
    if (!screen.title_sent || screen.title_shown != console.title) {
        std::u16string title = console.title;
        for (char16_t& unit : title) {
            if (unit < 0x20 || (unit >= 0x7F && unit <= 0x9F)) unit = u' ';  // the escape ends at a control
        }
        out += "\x1b]2;" + utf8_from_utf16(title) + "\x07";
        screen.title_shown = console.title;
        screen.title_sent = true;
    }
    const int cursor_row = console.cursor.Y - screen.top;
    const bool cursor_in_view = cursor_row >= 0 && cursor_row < shown_rows && console.cursor.X >= 0 &&
                                console.cursor.X < shown_columns;
    if (cursor_in_view) out += move_to(cursor_row, console.cursor.X);
    if (screen.cursor_shown != int8_t(cursor_in_view)) {
        out += cursor_in_view ? "\x1b[?25h" : "\x1b[?25l";
        screen.cursor_shown = int8_t(cursor_in_view);
    }
    return out;
}

std::string terminal_lines(TerminalLines& lines, const SimConsole& console) {
    std::string out;
    const uint64_t first_kept = console.rows_scrolled;  // rows before it have scrolled off the top
    const uint64_t final_end = console.rows_scrolled + uint64_t(std::max<int16_t>(console.cursor.Y, 0));
    for (uint64_t row = std::max(lines.written, first_kept); row < final_end; ++row) {
        const std::vector<ShownCell> glyphs = terminal_row_glyphs(
            &console.cells[size_t(row - first_kept) * size_t(console.width)], console.width);
        std::string line;
        size_t kept = 0;  // bytes up to the last glyph that is not a blank
        for (const ShownCell& glyph : glyphs) {
            if (glyph.glyph == 0) continue;
            utf8_append(line, glyph.glyph);
            if (glyph.glyph != U' ') kept = line.size();
        }
        line.resize(kept);
        out += line + "\n";
    }
    lines.written = std::max(lines.written, final_end);
    return out;
}

}  // namespace novra
