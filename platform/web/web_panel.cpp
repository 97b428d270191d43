// Console cells to the panel's HTML.
#include "platform/web/web_panel.h"

#include "platform/sim/console_glyphs.h"
#include "platform/sim/text.h"

namespace novra {

namespace {

constexpr uint16_t default_attributes = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;

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

void append_number(std::string& html, int value) {
    if (value >= 10) html += char('0' + value / 10);
    html += char('0' + value % 10);
}

}  // namespace

void web_panel_html(const SimConsole& console, std::string& html) {
    static std::vector<ShownCell> glyphs;  // reused, so that a steady redraw allocates nothing
    html.clear();
    const int width = console.width, height = console.height;
    for (int row = 0; row < height; ++row) {
        if (row > 0) html += '\n';
        const ConsoleCell* line = &console.cells[size_t(row) * size_t(width)];
        console_row_glyphs(line, width, nullptr, glyphs);
        uint16_t run = default_attributes;
        for (int column = 0; column < width; ++column) {
            const ShownCell& glyph = glyphs[size_t(column)];
            if (glyph.columns == 0) continue;  // the second column of a two-column glyph
            const uint16_t attributes = line[column].attributes & 0xFF;
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
            const bool cursor = console.cursor.Y == row && console.cursor.X >= column &&
                                console.cursor.X < column + glyph.columns;
            if (cursor) html += "<span class=\"cursor\">";
            append_glyph(html, glyph.glyph, glyph.columns == 2);
            if (cursor) html += "</span>";
        }
        if (run != default_attributes) html += "</span>";
    }
}

}  // namespace novra
