// Console cells to the panel's HTML.
#include "platform/web/web_panel.h"

#include "platform/sim/text.h"

namespace novra {

namespace {

constexpr uint16_t default_attributes = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;

// Code page 437's glyphs for the control codes 0-31 (0 itself, an empty cell, shows as a space), and
// for the C1 controls 0x80-0x9F the glyphs code page 437 puts at those bytes, as the terminal shows them.
constexpr char16_t control_glyphs[32] = {
    u' ',      u'\u263A', u'\u263B', u'\u2665', u'\u2666', u'\u2663', u'\u2660', u'\u2022',
    u'\u25D8', u'\u25CB', u'\u25D9', u'\u2642', u'\u2640', u'\u266A', u'\u266B', u'\u263C',
    u'\u25BA', u'\u25C4', u'\u2195', u'\u203C', u'\u00B6', u'\u00A7', u'\u25AC', u'\u21A8',
    u'\u2191', u'\u2193', u'\u2192', u'\u2190', u'\u221F', u'\u2194', u'\u25B2', u'\u25BC',
};
constexpr char16_t c1_glyphs[32] = {
    u'\u00C7', u'\u00FC', u'\u00E9', u'\u00E2', u'\u00E4', u'\u00E0', u'\u00E5', u'\u00E7',
    u'\u00EA', u'\u00EB', u'\u00E8', u'\u00EF', u'\u00EE', u'\u00EC', u'\u00C4', u'\u00C5',
    u'\u00C9', u'\u00E6', u'\u00C6', u'\u00F4', u'\u00F6', u'\u00F2', u'\u00FB', u'\u00F9',
    u'\u00FF', u'\u00D6', u'\u00DC', u'\u00A2', u'\u00A3', u'\u00A5', u'\u20A7', u'\u0192',
};

bool is_high(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void append_glyph(std::string& html, char32_t code_point, bool wide) {
    if (code_point >= 0x20 && code_point < 0x7F) {
        switch (code_point) {
            case '<':
                html += "&lt;";
                return;
            case '>':
                html += "&gt;";
                return;
            case '&':
                html += "&amp;";
                return;
            default:
                html += char(code_point);
                return;
        }
    }
    // Past ASCII a font's own advance is a guess; a box of one or two columns keeps every cell in place.
    html += wide ? "<span class=\"w\">" : "<span class=\"n\">";
    utf8_append(html, code_point);
    html += "</span>";
}

// What one cell's code unit shows: itself, or a glyph that a browser cannot take as layout.
char32_t visible(char16_t unit) {
    if (unit < 0x20) return control_glyphs[unit];
    if (unit == 0x7F) return U'\u2302';
    if (unit >= 0x80 && unit <= 0x9F) return c1_glyphs[unit - 0x80];
    if (is_high(unit) || is_low(unit)) return U'\uFFFD';
    return unit;
}

void append_number(std::string& html, int value) {
    if (value >= 10) html += char('0' + value / 10);
    html += char('0' + value % 10);
}

}  // namespace

void web_panel_html(const SimConsole& console, std::string& html) {
    html.clear();
    const int width = console.width, height = console.height;
    for (int row = 0; row < height; ++row) {
        if (row > 0) html += '\n';
        const ConsoleCell* line = &console.cells[size_t(row) * size_t(width)];
        uint16_t run = default_attributes;
        for (int column = 0; column < width; ++column) {
            const ConsoleCell& cell = line[column];
            const uint16_t attributes = cell.attributes & 0xFF;
            if (attributes != run) {
                if (run != default_attributes) html += "</span>";
                if (attributes != default_attributes) {
                    html += "<span class=\"f";
                    append_number(html, attributes & 0x0F);
                    html += " b";
                    append_number(html, attributes >> 4);
                    html += "\">";
                }
                run = attributes;
            }
            // How many cells this glyph covers: a full-width character its leading and trailing cells,
            // a surrogate pair the four cells of its two halves.
            int cells = 1;
            char32_t shown = visible(cell.ch);
            bool wide = false;
            if (cell.half == CellHalf::trailing) {
                shown = U' ';  // its leading cell was overwritten: a blank, as on the console
            } else if (cell.half == CellHalf::leading && column + 1 < width &&
                       line[column + 1].half == CellHalf::trailing && line[column + 1].ch == cell.ch) {
                cells = 2;
                wide = true;
                const ConsoleCell* next = column + 3 < width ? &line[column + 2] : nullptr;
                if (is_high(cell.ch) && next && is_low(next->ch) && next->half == CellHalf::leading &&
                    next[1].half == CellHalf::trailing && next[1].ch == next->ch) {
                    shown = 0x10000 + ((char32_t(cell.ch) - 0xD800) << 10) + (char32_t(next->ch) - 0xDC00);
                    cells = 4;
                }
            } else if (cell.half == CellHalf::leading) {
                shown = U' ';  // its trailing cell was overwritten
            }
            const bool cursor =
                console.cursor.Y == row && console.cursor.X >= column && console.cursor.X < column + cells;
            if (cursor) html += "<span class=\"cursor\">";
            append_glyph(html, shown, wide);
            if (cursor) html += "</span>";
            // The pair is one character over the high surrogate's two cells; the low surrogate's stay blank.
            if (cells == 4) html += "  ";
            column += cells - 1;
        }
        if (run != default_attributes) html += "</span>";
    }
}

}  // namespace novra
