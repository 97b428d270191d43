// The terminal view and the browser panel read console cells the same way: for the same cells, the
// same glyphs in the same columns.
#include <gtest/gtest.h>

#include <string>

#include "platform/desktop/terminal_render.h"
#include "platform/sim/text.h"
#include "platform/web/web_panel.h"

namespace novra {
namespace {

// The panel row's text with its markup taken out; no cell written below holds '<', '>' or '&'.
std::string panel_text(const std::string& html) {
    std::string text;
    bool in_tag = false;
    for (char c : html) {
        if (c == '<') in_tag = true;
        if (!in_tag) text += c;
        if (c == '>') in_tag = false;
    }
    return text;
}

TEST(ConsoleGlyphs, TerminalAndPanelShowTheSameGlyphsForTheSameCells) {
    SimConsole console{};
    console.width = 16;
    console.height = 1;
    console.cells.assign(16, ConsoleCell{u' ', 7, CellHalf::whole});
    console.cursor = COORD{0, 0};
    const std::u16string row = u"a\U0001F600\u6F22\x01\x1b\x7f\u0085\xD800z\u00E9";
    size_t at = 0;
    for (char16_t unit : row) {
        const bool wide = unit >= 0x100 && unit != 0xD800;
        console.cells[at] = ConsoleCell{unit, 7, wide ? CellHalf::leading : CellHalf::whole};
        if (wide) console.cells[++at] = ConsoleCell{unit, 7, CellHalf::trailing};
        ++at;
    }
    // A full-width character whose trailing cell was overwritten shows as a blank in both.
    console.cells[at++] = ConsoleCell{u'\u6F22', 7, CellHalf::leading};

    std::string terminal;
    for (const ShownCell& glyph : terminal_row_glyphs(console.cells.data(), console.width)) {
        if (glyph.columns > 0) utf8_append(terminal, glyph.glyph);
    }
    std::string html;
    web_panel_html(console, html);
    EXPECT_EQ(panel_text(html), terminal);
    EXPECT_EQ(terminal, "a😀  漢☺←⌂à�zé  ");
}

}  // namespace
}  // namespace novra
