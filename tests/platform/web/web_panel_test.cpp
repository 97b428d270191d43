// The console panel's HTML, read back as the page lays it out: rows of glyphs, each one or two columns
// wide, the cursor and colours where the cells have them, and nothing a browser would take as markup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/scripted/scripted.h"
#include "platform/sim/driver.h"
#include "platform/web/web_panel.h"

namespace novra {
namespace {

struct Glyph {
    std::string text;  // UTF-8
    int columns;
    bool cursor;
    std::string colours;  // the colour classes around it, "" for the default
};
using Row = std::vector<Glyph>;

// Lays the HTML out as the page's CSS does: class "n" one column, "w" two, text outside them one.
std::vector<Row> lay_out(const std::string& html) {
    std::vector<Row> rows(1);
    std::vector<std::string> open;
    for (size_t at = 0; at < html.size();) {
        if (html.compare(at, 13, "<span class=\"") == 0) {
            const size_t end = html.find("\">", at);
            EXPECT_NE(end, std::string::npos);
            open.push_back(html.substr(at + 13, end - at - 13));
            at = end + 2;
            continue;
        }
        if (html.compare(at, 7, "</span>") == 0) {
            EXPECT_FALSE(open.empty());
            if (!open.empty()) open.pop_back();
            at += 7;
            continue;
        }
        const unsigned char byte = static_cast<unsigned char>(html[at]);
        EXPECT_NE(byte, '<') << "markup the panel does not make at " << at;
        if (byte == '\n') {
            EXPECT_TRUE(open.empty()) << "a span left open across rows";
            rows.emplace_back();
            ++at;
            continue;
        }
        EXPECT_GE(byte, 0x20) << "a control byte in the HTML at " << at;
        std::string text;
        if (byte == '&') {
            const size_t end = html.find(';', at);
            const std::string entity = html.substr(at, end + 1 - at);
            text = entity == "&lt;" ? "<" : entity == "&gt;" ? ">" : entity == "&amp;" ? "&" : "?";
            at = end + 1;
        } else {
            const size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
            text = html.substr(at, length);
            at += length;
        }
        Glyph glyph{text, 1, false, ""};
        for (const std::string& name : open) {
            if (name == "w") glyph.columns = 2;
            if (name == "cursor") glyph.cursor = true;
            if (name[0] == 'f') glyph.colours = name;
        }
        rows.back().push_back(glyph);
    }
    EXPECT_TRUE(open.empty());
    return rows;
}

int columns_of(const Row& row) {
    int columns = 0;
    for (const Glyph& glyph : row)
        columns += glyph.columns;
    return columns;
}

std::string text_of(const Row& row) {
    std::string text;
    for (const Glyph& glyph : row)
        text += glyph.text;
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

class WebPanel : public testing::Test {
protected:
    void SetUp() override {
        ScriptedConfig config;
        config.console_width = 12;
        config.console_height = 4;
        scripted_start(config);
        AllocConsole();
        output = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    void write(int16_t row, std::u16string_view text) {
        DWORD written = 0;
        WriteConsoleOutputCharacterW(output, reinterpret_cast<LPCWSTR>(text.data()), DWORD(text.size()),
                                     COORD{0, row}, &written);
    }
    std::vector<Row> panel() {
        std::string html;
        web_panel_html(sim_console(), html);
        return lay_out(html);
    }
    HANDLE output = nullptr;
};

TEST_F(WebPanel, ShowsEveryRowAtItsCellsWithTextThatIsNeverMarkup) {
    write(0, u"a<b&c>d");
    write(1, u"<script>x");
    const std::vector<Row> rows = panel();
    ASSERT_EQ(rows.size(), 4u);
    for (const Row& row : rows)
        EXPECT_EQ(columns_of(row), 12);
    EXPECT_EQ(text_of(rows[0]), "a<b&c>d");
    EXPECT_EQ(text_of(rows[1]), "<script>x");
    EXPECT_EQ(text_of(rows[3]), "");
}

TEST_F(WebPanel, ControlCharactersShowAsVisibleGlyphsInOneColumn) {
    write(0, u"\u0001\u0007\n\r\u001B\u007F\u0085\u009F");
    write(1, std::u16string(1, char16_t(0xD800)) + u"x" + std::u16string(1, char16_t(0xDC00)));
    const std::vector<Row> rows = panel();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(columns_of(rows[0]), 12);
    EXPECT_EQ(text_of(rows[0]), "☺•◙♪←⌂àƒ");
    EXPECT_EQ(text_of(rows[1]), "\uFFFDx\uFFFD");
}

TEST_F(WebPanel, MarksTheCursorCellAndOnlyIt) {
    write(1, u"hello");
    SetConsoleCursorPosition(output, COORD{4, 1});
    std::vector<Row> rows = panel();
    int cursors = 0;
    for (size_t row = 0; row < rows.size(); ++row) {
        for (size_t column = 0; column < rows[row].size(); ++column) {
            if (!rows[row][column].cursor) continue;
            ++cursors;
            EXPECT_EQ(row, 1u);
            EXPECT_EQ(column, 4u);
            EXPECT_EQ(rows[row][column].text, "o");
        }
    }
    EXPECT_EQ(cursors, 1);
    // A cursor past the last column (a full row) marks nothing.
    SetConsoleCursorPosition(output, COORD{11, 3});
    sim_console().cursor.X = 12;
    rows = panel();
    for (const Row& row : rows) {
        for (const Glyph& glyph : row)
            EXPECT_FALSE(glyph.cursor);
    }
}

TEST_F(WebPanel, FullWidthCharactersShowOnceAcrossTheirTwoCells) {
    // Each half of a surrogate pair takes two cells; the character shows over the first two, and the
    // cursor on any of its cells marks it.
    write(0, u"a\U0001F600b");
    SetConsoleCursorPosition(output, COORD{2, 0});
    write(1, u"\u6F22\uFF76\u00E9");
    // Overwriting one half of a full-width character blanks the other.
    write(2, u"\u6F22\u6F22");
    const COORD at{1, 2};
    DWORD written = 0;
    WriteConsoleOutputCharacterW(output, reinterpret_cast<LPCWSTR>(u"x"), 1, at, &written);
    const std::vector<Row> rows = panel();
    for (const Row& row : rows)
        EXPECT_EQ(columns_of(row), 12);
    ASSERT_GE(rows[0].size(), 2u);
    EXPECT_EQ(rows[0][1].text, "😀");
    EXPECT_EQ(rows[0][1].columns, 2);
    EXPECT_TRUE(rows[0][1].cursor);
    EXPECT_EQ(text_of(rows[0]), "a😀  b");
    // Full-width U+6F22 is two columns; half-width katakana and Latin-1 are one.
    ASSERT_GE(rows[1].size(), 3u);
    EXPECT_EQ(rows[1][0].text, "漢");
    EXPECT_EQ(rows[1][0].columns, 2);
    EXPECT_EQ(rows[1][1].columns, 1);
    EXPECT_EQ(rows[1][2].text, "é");
    EXPECT_EQ(text_of(rows[2]), " x漢");
}

TEST_F(WebPanel, ColoursOtherThanTheDefaultAreMarkedByRun) {
    write(0, u"abcd");
    sim_console().cells[1].attributes =
        FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_INTENSITY | BACKGROUND_BLUE;
    sim_console().cells[2].attributes = sim_console().cells[1].attributes;
    const std::vector<Row> rows = panel();
    EXPECT_EQ(rows[0][0].colours, "");
    EXPECT_EQ(rows[0][1].colours, "f14 b1");
    EXPECT_EQ(rows[0][2].colours, "f14 b1");
    EXPECT_EQ(rows[0][3].colours, "");
}

TEST_F(WebPanel, RedrawReusesItsStorage) {
    write(0, u"steady");
    std::string html;
    web_panel_html(sim_console(), html);
    const std::string first = html;
    const char* storage = html.data();
    web_panel_html(sim_console(), html);
    EXPECT_EQ(html, first);
    EXPECT_EQ(html.data(), storage);
}

}  // namespace
}  // namespace novra
