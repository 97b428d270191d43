// What a row of console cells shows, one entry a column: the one reading of the cells that the
// terminal view and the browser panel both draw, so the two never disagree on a glyph or its place.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sim/driver.h"

namespace novra {

// What one column shows.
struct ShownCell {
    char32_t glyph;       // the code point drawn; 0 on the second column of a two-column glyph
    uint8_t columns;      // 1, or 2 for a glyph over two cells (0 on its second column)
    uint16_t attributes;  // console attribute of the cell
    bool operator==(const ShownCell&) const = default;
};

// Columns a view draws `code_point` (above U+00FF) in; a glyph it draws in fewer than 1 or more than
// the cells it has is shown as U+FFFD. Null: every character fits its cells.
using GlyphColumns = int (*)(char32_t code_point);

// Fills `glyphs` (resized to `count`, its storage reused) with what `count` cells of one row show:
// code unit 0 as a space; the controls 1-31 and 127 as their code page 437 glyphs, as a Windows console
// shows them, and the C1 controls as the glyphs code page 437 has at those bytes; lone surrogates as
// U+FFFD; a full-width character once over its two cells; a surrogate pair as one character over the
// high surrogate's two cells, the low surrogate's two left blank. A character with a half missing or
// cut by `count` shows as blanks.
void console_row_glyphs(const ConsoleCell* cells, int count, GlyphColumns drawn_columns,
                        std::vector<ShownCell>& glyphs);

}  // namespace novra
