// The terminal as a view of the console: random typing (printable, full-width, surrogate pairs, lone
// surrogates, combining marks, control characters, Backspace, Enter), log lines and terminal resizes go
// through the real line editor on the simulated console and through the renderer into a small terminal
// model. After every render the model must show exactly the console's cells in the rows that end at the
// cursor's row, clipped at the terminal's width, with its cursor where the console's is.
#include <random>
#include <string>
#include <vector>

#include "platform/desktop/terminal_render.h"
#include "platform/sim/driver.h"
#include "tests/console/console_fixture.h"
#include "tests/platform/desktop/terminal_model.h"

namespace novra {
namespace {

const std::u16string cp437_controls = u" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";
const std::u16string cp437_high = u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒ";

// What a terminal must show for one console cell holding `unit` alone.
char32_t expected_glyph(char16_t unit) {
    if (unit == 0) return U' ';
    if (unit < 0x20) return cp437_controls[unit];
    if (unit == 0x7F) return U'⌂';
    if (unit >= 0x80 && unit <= 0x9F) return cp437_high[unit - 0x80];
    if (unit >= 0xD800 && unit <= 0xDFFF) return 0xFFFD;
    return TerminalModel::width_of(unit) == 1 ? unit : 0xFFFD;
}

// One buffer row as the terminal must show it over `columns` columns, `shown` of which are the buffer's.
std::string expected_row(const SimConsole& console, int row, int shown, int columns) {
    const ConsoleCell* cells = &console.cells[size_t(row) * size_t(console.width)];
    std::string text;
    auto pair_at = [&](int c) {
        return c + 1 < shown && cells[c].half == CellHalf::leading &&
               cells[c + 1].half == CellHalf::trailing && cells[c + 1].ch == cells[c].ch;
    };
    int column = 0;
    while (column < shown) {
        const ConsoleCell& cell = cells[column];
        if (cell.half == CellHalf::whole) {
            utf8_append(text, expected_glyph(cell.ch));
            ++column;
            continue;
        }
        if (!pair_at(column)) {  // a half cut off by the view or left alone
            text += ' ';
            ++column;
            continue;
        }
        char32_t code_point = cell.ch;
        int cells_used = 2;
        if (cell.ch >= 0xD800 && cell.ch <= 0xDBFF && pair_at(column + 2) && cells[column + 2].ch >= 0xDC00 &&
            cells[column + 2].ch <= 0xDFFF) {
            code_point =
                0x10000 + ((char32_t(cell.ch) - 0xD800) << 10) + (char32_t(cells[column + 2].ch) - 0xDC00);
            cells_used = 4;
        }
        const int width =
            code_point >= 0xD800 && code_point <= 0xDFFF ? -1 : TerminalModel::width_of(code_point);
        utf8_append(text, width == 1 || width == 2 ? code_point : 0xFFFD);
        if (width != 2) text += ' ';
        text += std::string(size_t(cells_used - 2), ' ');
        column += cells_used;
    }
    text += std::string(size_t(columns - shown), ' ');
    return text;
}

const char16_t typed_palette[] = {u'a',   u'Z',   u' ',   u'~', 0xE9, 0x6F22, 0x5B57, 0x3042, 0xFF71,
                                  0x0100, 0x0301, 0xDE00, 0x1B, 0x7F, 0x85,   0x01,   0x0A,   0x0B,
                                  0x0C,   0x07,   0x1F,   u'b', u'c', 0x6F22, 8,      8,      13};

struct TerminalSize {
    int columns, rows;
};

class TerminalViewProperty : public ConsoleTest {};

TEST_F(TerminalViewProperty, ShowsTheConsoleCellsThroughRandomTypingLogLinesAndResizes) {
    const TerminalSize sizes[] = {{10, 3}, {20, 5}, {7, 2}, {33, 9}, {80, 25}, {1, 1}, {24, 12}};
    const int16_t buffer_widths[] = {10, 24, 33};
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        const int16_t buffer_width = buffer_widths[seed % std::size(buffer_widths)];
        open(buffer_width, 30);
        std::mt19937 random(seed);
        TerminalSize size = sizes[random() % std::size(sizes)];
        TerminalModel terminal(size.columns, size.rows);
        TerminalScreen screen = terminal_screen(int16_t(size.columns), int16_t(size.rows));
        for (int step = 0; step < 150; ++step) {
            SCOPED_TRACE(testing::Message()
                         << "seed " << seed << " step " << step << " terminal " << size.columns << "x"
                         << size.rows << " buffer width " << buffer_width);
            const uint32_t action = random() % 100;
            if (action < 10) {
                size = sizes[random() % std::size(sizes)];
                terminal.resize(size.columns, size.rows);
                screen = terminal_screen(int16_t(size.columns), int16_t(size.rows));
            } else if (action < 14) {
                console_log(std::string(random() % 30, "x\x01\xE6\xBC\xA2"[random() % 4]).c_str());
            } else {
                std::vector<INPUT_RECORD> records;
                for (uint32_t key = 0, keys = 1 + random() % 8; key < keys; ++key) {
                    const uint32_t pick = random() % (std::size(typed_palette) + 2);
                    std::u16string units(1, pick < std::size(typed_palette) ? typed_palette[pick] : u' ');
                    if (pick >= std::size(typed_palette)) units = u"\U0001F600";  // a surrogate pair
                    for (char16_t unit : units) {
                        INPUT_RECORD record{};
                        record.EventType = KEY_EVENT;
                        record.Event.KeyEvent.bKeyDown = TRUE;
                        record.Event.KeyEvent.wRepeatCount = 1;
                        record.Event.KeyEvent.uChar.UnicodeChar = unit;
                        records.push_back(record);
                    }
                }
                DWORD written = 0;
                WriteConsoleInputW(console_state.input, records.data(), DWORD(records.size()), &written);
                poll_all();
            }

            SimConsole& console = sim_console();
            const std::string sent = terminal_render(screen, console);
            terminal.feed(sent);
            ASSERT_EQ(terminal.fault, "") << testing::PrintToString(sent);
            const int shown_rows = std::min<int>(size.rows, console.height);
            const int shown_columns = std::min<int>(size.columns, console.width);
            const int top = std::clamp(console.cursor.Y - shown_rows + 1, 0, console.height - shown_rows);
            for (int row = 0; row < size.rows; ++row) {
                const std::string expected =
                    row < shown_rows ? expected_row(console, top + row, shown_columns, size.columns)
                                     : std::string(size_t(size.columns), ' ');
                ASSERT_EQ(terminal.row_text(row), expected)
                    << "terminal row " << row << ", sent " << testing::PrintToString(sent);
            }
            const bool cursor_in_view = console.cursor.X < shown_columns;
            ASSERT_EQ(terminal.cursor_visible, cursor_in_view);
            if (cursor_in_view) {
                ASSERT_EQ(terminal.x, console.cursor.X);
                ASSERT_EQ(terminal.y, console.cursor.Y - top);
            }
            ASSERT_EQ(terminal.title, utf8_from_utf16(console.title));
        }
    }
}

class TerminalView : public ConsoleTest {};

// Without a terminal the console is written as plain lines: each log line and each finished typed line
// once, in order, with control characters as glyphs, also after the buffer has scrolled; the line being
// typed is not written until it is finished.
TEST_F(TerminalView, WritesEachFinishedRowOnceAsPlainText) {
    open(1024, 4);
    TerminalLines lines{};
    std::string out;
    console_log("first");
    out += terminal_lines(lines, sim_console());
    EXPECT_EQ(out, "first\n");
    for (char16_t unit : std::u16string(u"typed")) {
        type(std::u16string(1, unit));
        out += terminal_lines(lines, sim_console());
    }
    EXPECT_EQ(out, "first\n");
    for (char16_t unit : std::u16string(u"\r\x6F22\x1B\x02\rone\rtwo\r\rthree\r")) {
        type(std::u16string(1, unit));
        out += terminal_lines(lines, sim_console());
        if (unit == u'n') console_log("log");
    }
    EXPECT_EQ(out, "first\ntyped\n\u6F22\u2190\u263B\nlog\none\ntwo\n\nthree\n");
}

// A 10 x 3 terminal: a typed line of four rows shows its last three; Backspace brings its first row
// back as soon as the line fits the three rows again, not only once it fits in one.
TEST_F(TerminalView, InATenByThreeTerminalBackspaceBringsTheLinesFirstRowBackOnceItFits) {
    open(10, 500);
    TerminalModel terminal(10, 3);
    TerminalScreen screen = terminal_screen(10, 3);
    type(u"0123456789abcdefghijABCDEFGHIJxyz");  // rows 0-3 of the buffer
    terminal.feed(terminal_render(screen, sim_console()));
    EXPECT_EQ(terminal.row_text(0), "abcdefghij");
    EXPECT_EQ(terminal.row_text(2), "xyz       ");
    type(u"\b\b\b\b");  // 29 characters: three rows
    terminal.feed(terminal_render(screen, sim_console()));
    EXPECT_EQ(terminal.row_text(0), "0123456789");
    EXPECT_EQ(terminal.row_text(2), "ABCDEFGHI ");
    EXPECT_EQ(terminal.x, 9);
    EXPECT_EQ(terminal.y, 2);
}

}  // namespace
}  // namespace novra
