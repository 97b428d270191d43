#include <string>

#include "console_fixture.h"

namespace novra {
namespace {

using ConsoleOutput = ConsoleTest;

TEST_F(ConsoleOutput, LogLineRowsCountCodeUnitsAndMoveTheTypedLineBelowThem) {
    struct Case {
        int32_t length;     // code units of the log line
        int16_t typed_row;  // where the typed line begins afterwards
    };
    // A line of exactly W units counts as two rows: its text fills one and the next stays empty.
    for (const Case c : {Case{0, 1}, Case{3, 1}, Case{9, 1}, Case{10, 2}, Case{11, 2}, Case{20, 3}}) {
        SCOPED_TRACE(c.length);
        open(10, 8);
        type(u"xy");
        console_log(std::string(size_t(c.length), 'L').c_str());
        EXPECT_EQ(anchor_row(), c.typed_row);
        EXPECT_EQ(row(c.typed_row), "xy");
        EXPECT_EQ(row(0), std::string(size_t(std::min(c.length, 10)), 'L'));
        for (int16_t r = 1; r < c.typed_row; ++r)
            EXPECT_EQ(row(r), std::string(size_t(std::min(c.length - 10 * r, 10)), 'L'));
        // The cursor waits at the start of the moved typed line until the next redraw.
        EXPECT_EQ(cursor().X, 0);
        EXPECT_EQ(cursor().Y, c.typed_row);
        expect_scrolls_inside_buffer(10, 8);
    }
}

TEST_F(ConsoleOutput, LogLineGoesAboveEveryRowOfATypedLineAndTypingContinuesThere) {
    open(10, 8);
    type(u"abcdefghijklmnopqrstuvwxy");
    console_log("log");
    EXPECT_EQ(row(0), "log");
    EXPECT_EQ(row(1), "abcdefghij");
    EXPECT_EQ(row(2), "klmnopqrst");
    EXPECT_EQ(row(3), "uvwxy");
    EXPECT_EQ(anchor_row(), 1);
    type(u"z");
    EXPECT_EQ(row(3), "uvwxyz");
    EXPECT_EQ(cursor().X, 6);
    EXPECT_EQ(cursor().Y, 3);
}

TEST_F(ConsoleOutput, AtTheBottomTheBufferScrollsJustEnoughAndClearedCellsStayReadable) {
    open(10, 5);
    for (const char* line : {"L0", "L1", "L2"})
        console_log(line);
    type(u"0123456789abcde");  // two rows, 3 and 4: the last row of the buffer
    console_log("new");
    EXPECT_EQ(row(0), "L1");
    EXPECT_EQ(row(1), "L2");
    EXPECT_EQ(row(2), "new");
    EXPECT_EQ(row(3), "0123456789");
    EXPECT_EQ(row(4), "abcde");
    EXPECT_EQ(anchor_row(), 3);

    // Text later written into cleared cells keeps their attribute, so it must be the default one.
    const ScriptedConsole console = scripted_console();
    for (uint16_t attribute : console.attributes)
        ASSERT_EQ(attribute, console_state.info.wAttributes);
    EXPECT_NE(console_state.info.wAttributes, 0);
}

// Each scroll stays inside the buffer, the form that Windows and Wine both carry out (Wine refuses one
// reaching past the buffer); rows move up by exactly the count asked and the rows left are cleared.
TEST_F(ConsoleOutput, ScrollsMoveRowsWithinTheBufferAndClearWhatTheyLeave) {
    struct Case {
        int16_t width, height, rows;
    };
    const Case cases[] = {{6, 5, 1}, {6, 5, 2}, {6, 5, 3}, {6, 5, 4}, {6, 5, 5},
                          {6, 5, 9}, {6, 2, 1}, {6, 2, 7}, {6, 4, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " up " << c.rows);
        open(c.width, c.height);
        std::u16string before;
        for (int i = 0; i < c.width * c.height; ++i)
            before.push_back(char16_t(u'A' + i % 26));
        DWORD written = 0;
        WriteConsoleOutputCharacterW(console_state.output, before.data(), DWORD(before.size()), COORD{0, 0},
                                     &written);
        SetConsoleCursorPosition(console_state.output, COORD{0, int16_t(c.height - 1)});
        GetConsoleScreenBufferInfo(console_state.output, &console_state.info);
        scripted_clear_calls();

        console_scroll_up(c.rows);

        EXPECT_EQ(anchor_row(), c.height - 1 - c.rows);
        const ScriptedConsole console = scripted_console();
        const size_t moved = size_t(std::max(0, c.height - c.rows)) * size_t(c.width);
        EXPECT_EQ(
            std::u16string(console.characters.begin(), console.characters.begin() + std::ptrdiff_t(moved)),
            before.substr(before.size() - moved));
        for (size_t cell = moved; cell < console.characters.size(); ++cell) {
            ASSERT_EQ(console.characters[cell], 0) << cell;
            ASSERT_EQ(console.attributes[cell], console_state.info.wAttributes) << cell;
        }
        expect_scrolls_inside_buffer(c.width, c.height);
    }
}

TEST_F(ConsoleOutput, OverlongLinesAreCutToWhatTheBufferShowsAboveTheTypedLine) {
    struct Case {
        int16_t width, height;
        int16_t start_row;      // anchor before the line
        const char16_t* typed;  // typed line before the line
        int32_t length;         // code units of the line
        int32_t written;        // code units that reach the buffer
        int16_t typed_row;      // anchor afterwards
    };
    const Case cases[] = {
        {10, 5, 0, u"", 39, 39, 4},  // four rows of text fill the buffer above the typed line
        {10, 5, 0, u"", 40, 39, 4},  // one more would need a fifth row
        {10, 5, 0, u"", 1000, 39, 4},
        {10, 5, 0, u"0123456789ab", 100, 29, 3},  // a two-row typed line leaves three rows
        {10, 5, 4, u"", 100, 39, 4},              // from the last row: the buffer scrolls up four rows
        {80, 1000, 0, u"", 40000, 32767, 410},    // the 16-bit limit on code units
        // Near the last row of the largest buffer the typed line's new row must still fit 16 bits.
        {80, 32767, 32700, u"", 40000, 80 * 67 - 1, 32766},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << " row " << c.start_row << " length " << c.length);
        open(c.width, c.height);
        SetConsoleCursorPosition(console_state.output, COORD{0, c.start_row});
        GetConsoleScreenBufferInfo(console_state.output, &console_state.info);
        type(c.typed);
        std::string line;
        for (int32_t i = 0; i < c.length; ++i)
            line += char('a' + i % 26);
        console_log(line.c_str());

        EXPECT_EQ(anchor_row(), c.typed_row);
        // The line's first code unit sits at the row where it began, after any scroll.
        const int16_t first_row = int16_t(c.typed_row - (c.written / c.width + 1));
        const ScriptedConsole console = scripted_console();
        const size_t first = size_t(first_row) * size_t(c.width);
        std::string shown;
        for (size_t i = first;
             i < console.characters.size() && console.characters[i] >= u'a' && console.characters[i] <= u'z';
             ++i)
            shown += char(console.characters[i]);
        EXPECT_EQ(shown, line.substr(0, size_t(c.written)));
    }
}

TEST_F(ConsoleOutput, NullLinesAreIgnored) {
    console_log(nullptr);
    console_write_line(nullptr);
    EXPECT_TRUE(scripted_calls().empty());
    EXPECT_EQ(anchor_row(), 0);
}

TEST_F(ConsoleOutput, FailedAllocationDropsThatLineOnly) {
    console_log("first");
    console_allocate = refuse_allocation;
    console_log("dropped");
    console_allocate = std::malloc;
    console_log("third");
    EXPECT_EQ(row(0), "first");
    EXPECT_EQ(row(1), "third");
    EXPECT_EQ(anchor_row(), 2);
}

TEST_F(ConsoleOutput, WithoutAUsableConsoleNothingIsWrittenOrPolled) {
    for (const COORD size : {COORD{0, 0}, COORD{80, 0}, COORD{0, 25}, COORD{-1, 25}, COORD{80, -3}}) {
        SCOPED_TRACE(testing::Message() << size.X << "x" << size.Y);
        open(80, 25);
        console_state.info.dwSize = size;
        queue_key_downs(u"abc");
        console_write_line(u"banner");
        console_log("log");
        console_scroll_up(1);
        console_poll_input();
        for (const char* call : {"ScrollConsoleScreenBufferW", "WriteConsoleOutputCharacterW",
                                 "SetConsoleCursorPosition", "PeekConsoleInputW", "ReadConsoleInputW"})
            EXPECT_EQ(count_calls(call), 0) << call;
        EXPECT_EQ(input_line.write_position, 0);
        EXPECT_EQ(anchor_row(), 0);
    }
}

// Catches log rows counted in code units: ten full-width characters make this 43-unit line take 53
// cells, two rows of 50, and the typed line must start under both.
TEST_F(ConsoleOutput, LogLineRowsCountTheCellsFullWidthCharactersTake) {
    open(50, 8);
    std::string wide;
    for (int i = 0; i < 10; ++i)
        wide += "\xE3\x81\x82";
    console_log(("unknown command '" + wide + "...' (type help)").c_str());
    type(u"p");
    EXPECT_EQ(row(1), "lp)");
    EXPECT_EQ(row(2), "p");
    EXPECT_EQ(cursor().Y, 2);
}

}  // namespace
}  // namespace novra
