// Console cells to the glyphs a view shows.
#include "platform/sim/console_glyphs.h"

#include <algorithm>

namespace novra {

namespace {

// Glyphs of code page 437 for the control characters 1-31 and DEL (127), as a Windows console in that
// code page shows them, and for the C1 controls 0x80-0x9F the glyphs code page 437 puts at those bytes.
constexpr char16_t control_glyphs_low[32] = {
    u' ',      u'\u263A', u'\u263B', u'\u2665', u'\u2666', u'\u2663', u'\u2660', u'\u2022',
    u'\u25D8', u'\u25CB', u'\u25D9', u'\u2642', u'\u2640', u'\u266A', u'\u266B', u'\u263C',
    u'\u25BA', u'\u25C4', u'\u2195', u'\u203C', u'\u00B6', u'\u00A7', u'\u25AC', u'\u21A8',
    u'\u2191', u'\u2193', u'\u2192', u'\u2190', u'\u221F', u'\u2194', u'\u25B2', u'\u25BC'};
constexpr char16_t control_glyphs_c1[32] = {
    u'\u00C7', u'\u00FC', u'\u00E9', u'\u00E2', u'\u00E4', u'\u00E0', u'\u00E5', u'\u00E7',
    u'\u00EA', u'\u00EB', u'\u00E8', u'\u00EF', u'\u00EE', u'\u00EC', u'\u00C4', u'\u00C5',
    u'\u00C9', u'\u00E6', u'\u00C6', u'\u00F4', u'\u00F6', u'\u00F2', u'\u00FB', u'\u00F9',
    u'\u00FF', u'\u00D6', u'\u00DC', u'\u00A2', u'\u00A3', u'\u00A5', u'\u20A7', u'\u0192'};
constexpr char32_t replacement = 0xFFFD;

bool is_high(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// What a character of `cells` cells shows: itself when the view draws it within those cells, a
// code page 437 glyph for a control character, U+FFFD otherwise.
char32_t visible(char32_t code_point, int cells, GlyphColumns drawn_columns) {
    if (code_point == 0) return U' ';
    if (code_point < 0x20) return control_glyphs_low[code_point];
    if (code_point == 0x7F) return U'\u2302';
    if (code_point >= 0x80 && code_point <= 0x9F) return control_glyphs_c1[code_point - 0x80];
    if (code_point <= 0xFF) return code_point;
    if (code_point >= 0xD800 && code_point <= 0xDFFF) return replacement;
    if (drawn_columns == nullptr) return code_point;
    const int columns = drawn_columns(code_point);
    return columns >= 1 && columns <= cells ? code_point : replacement;
}

}  // namespace

void console_row_glyphs(const ConsoleCell* cells, int count, GlyphColumns drawn_columns,
                        std::vector<ShownCell>& glyphs) {
    glyphs.assign(size_t(std::max(count, 0)), ShownCell{U' ', 1, 0});
    for (int column = 0; column < count; ++column) {
        const ConsoleCell& cell = cells[column];
        ShownCell& glyph = glyphs[size_t(column)];
        glyph.attributes = cell.attributes;
        if (cell.half == CellHalf::trailing) continue;  // a blank unless its leading cell claims it
        if (cell.half == CellHalf::whole) {
            glyph.glyph = visible(cell.ch, 1, drawn_columns);
            continue;
        }
        // A leading cell: the character over both cells, or a blank when its other half is missing or
        // lies past the columns shown.
        if (column + 1 >= count || cells[column + 1].half != CellHalf::trailing ||
            cells[column + 1].ch != cell.ch)
            continue;
        char32_t code_point = cell.ch;
        const ConsoleCell* next = column + 3 < count ? &cells[column + 2] : nullptr;
        if (is_high(cell.ch) && next && is_low(next->ch) && next->half == CellHalf::leading &&
            next[1].half == CellHalf::trailing && next[1].ch == next->ch) {
            // The pair is one character over the high surrogate's cells; the low surrogate's stay blank.
            code_point = 0x10000 + ((char32_t(cell.ch) - 0xD800) << 10) + (char32_t(next->ch) - 0xDC00);
            glyphs[size_t(column) + 2].attributes = next->attributes;
            glyphs[size_t(column) + 3].attributes = next->attributes;
            glyphs[size_t(column) + 1] = ShownCell{0, 0, cell.attributes};
            glyph.glyph = visible(code_point, 2, drawn_columns);
            glyph.columns = 2;
            column += 3;
            continue;
        }
        glyph.glyph = visible(code_point, 2, drawn_columns);
        glyph.columns = 2;
        glyphs[size_t(column) + 1] = ShownCell{0, 0, cell.attributes};
        ++column;
    }
}

}  // namespace novra
