#include <string>

#include "console_fixture.h"

namespace novra {
namespace {

using LineEditor = ConsoleTest;

TEST_F(LineEditor, CharColumnsBoundaries) {
    struct Case {
        char16_t unit;
        int16_t columns;
    };
    const Case cases[] = {
        {0x0000, 1}, {0x0041, 1}, {0x00FF, 1}, {0x0100, 2}, {0x3042, 2}, {0xD83D, 2},
        {0xDE00, 2}, {0xFF60, 2}, {0xFF61, 1}, {0xFF9F, 1}, {0xFFA0, 2}, {0xFFE7, 2},
        {0xFFE8, 1}, {0xFFEE, 1}, {0xFFEF, 2}, {0xFFFF, 2},
    };
    for (const Case c : cases)
        EXPECT_EQ(char_columns(c.unit), c.columns) << std::hex << unsigned(c.unit);
}

TEST_F(LineEditor, WithNoWaitingRecordNothingIsReadOrDrawn) {
    SetConsoleCursorPosition(console_state.output, COORD{7, 3});
    scripted_clear_calls();
    console_poll_input();
    EXPECT_EQ(count_calls("PeekConsoleInputW"), 1);
    EXPECT_EQ(scripted_calls().size(), 1u);
    EXPECT_EQ(cursor().X, 7);
    EXPECT_EQ(cursor().Y, 3);
}

TEST_F(LineEditor, ABatchOfOnlyKeyReleasesStillRedraws) {
    scripted_console_key(scripted_at_pass(0), u'a', 'A', false);
    SetConsoleCursorPosition(console_state.output, COORD{7, 3});
    scripted_clear_calls();
    console_poll_input();
    EXPECT_EQ(count_calls("WriteConsoleOutputCharacterW"), 1);
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, 0);
    EXPECT_EQ(input_line.write_position, 0);
    EXPECT_EQ(input_batch.count, 0u);
}

TEST_F(LineEditor, BackspaceBlanksTheDeletedCellAndLeavesTheCursorAfterTheText) {
    type(u"abc\b");
    EXPECT_EQ(typed_text(), u"ab");
    EXPECT_EQ(input_line.column_count, 2);
    EXPECT_EQ(cursor().X, 2);
    EXPECT_EQ(cursor().Y, 0);
    EXPECT_EQ(row(0), "ab");
    type(u"\b\b\b");  // the extra Backspace on an empty line does nothing
    EXPECT_EQ(input_line.write_position, 0);
    EXPECT_EQ(input_line.column_count, 0);
}

TEST_F(LineEditor, BackspaceOverWideCharactersGivesBackTheirColumns) {
    // U+3042 is two columns wide; each half of the surrogate pair of U+1F600 counts two.
    struct Step {
        const char16_t* keys;
        int16_t columns;
        int32_t units;
    };
    const Step steps[] = {
        {u"\u3042", 2, 1},      {u"a", 3, 2},  {u"\uFF71", 4, 3}, {u"\uFFA0", 6, 4},
        {u"\U0001F600", 10, 6}, {u"\b", 8, 5}, {u"\b", 6, 4},     {u"\b", 4, 3},
        {u"\b", 3, 2},          {u"\b", 2, 1}, {u"\b", 0, 0},
    };
    for (const Step& step : steps) {
        type(step.keys);
        EXPECT_EQ(input_line.column_count, step.columns);
        EXPECT_EQ(input_line.write_position, step.units);
        EXPECT_EQ(cursor().X, step.columns);
    }
}

TEST_F(LineEditor, KeysWithoutCharacterAndTabAreIgnoredOtherControlsAreStored) {
    queue_key_downs(std::u16string_view(u"\0\t\x01\x1B\n\x0B", 6));
    poll_all();
    EXPECT_EQ(typed_text(), u"\x01\x1B\n\x0B");
    EXPECT_EQ(input_line.column_count, 4);
}

TEST_F(LineEditor, AHeldKeyWithARepeatCountAddsItsCharacterOnce) {
    scripted_console_key(scripted_at_pass(0), u'x', 'X', true, 5);
    poll_all();
    EXPECT_EQ(typed_text(), u"x");
}

TEST_F(LineEditor, APollTakesAtMostEightRecords) {
    queue_key_downs(u"abcdefghijkl");
    console_poll_input();
    EXPECT_EQ(input_line.write_position, 8);
    EXPECT_EQ(scripted_console().input_queued, 4u);
    console_poll_input();
    EXPECT_EQ(typed_text(), u"abcdefghijkl");
}

TEST_F(LineEditor, TheLineHoldsAtMost256CodeUnits) {
    type(std::u16string(257, u'x'));
    EXPECT_EQ(input_line.write_position, 256);
    EXPECT_EQ(input_line.column_count, 256);
    EXPECT_EQ(input_line.buffer[255], u'x');
    EXPECT_EQ(input_line.buffer[256], 0);
    EXPECT_EQ(cursor().X, 256 % 80);
    EXPECT_EQ(cursor().Y, 256 / 80);
    type(u"\b");
    EXPECT_EQ(input_line.write_position, 255);
}

TEST_F(LineEditor, ExactlyWidthColumnsPutTheCursorOnTheNextRowAndEnterLeavesAnEmptyRow) {
    open(10, 8);
    type(u"0123456789");
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, 1);
    type(u"\r");
    EXPECT_EQ(anchor_row(), 2);
    EXPECT_EQ(row(0), "0123456789");
    EXPECT_EQ(row(1), "");
    EXPECT_EQ(cursor().Y, 2);
    type(u"\r");  // an empty line: the anchor moves down one row
    EXPECT_EQ(anchor_row(), 3);
}

TEST_F(LineEditor, EnterOnTheLastRowScrollsTheBufferUpOneRow) {
    open(10, 4);
    for (const char* line : {"L0", "L1", "L2"})
        console_log(line);
    type(u"ab");
    type(u"\r");
    EXPECT_EQ(row(0), "L1");
    EXPECT_EQ(row(1), "L2");
    EXPECT_EQ(row(2), "ab");
    EXPECT_EQ(row(3), "");
    EXPECT_EQ(anchor_row(), 3);
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, 3);
    EXPECT_EQ(input_line.write_position, 0);
}

TEST_F(LineEditor, TextFinishedWithinOneBatchStaysOnScreenAndTheRestStartsTheNewLine) {
    queue_key_downs(u"ab\rcd");
    console_poll_input();
    EXPECT_EQ(row(0), "ab");
    EXPECT_EQ(row(1), "cd");
    EXPECT_EQ(anchor_row(), 1);
    EXPECT_EQ(typed_text(), u"cd");
}

// In a buffer with fewer rows than the typed line, the rows that fit are shown, its end in view; once
// Backspace has shortened it, it comes back down to the first row rather than staying out of sight.
TEST_F(LineEditor, LineLongerThanTheBufferShowsItsEndAndComesBackWhenShortened) {
    open(4, 3);
    type(u"abcdefghijklmnop");  // 16 columns: four rows and the cursor's row below them
    EXPECT_EQ(row(0), "ijkl");
    EXPECT_EQ(row(1), "mnop");
    EXPECT_EQ(row(2), "");
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, 2);

    type(u"\b\b\b\b\b\b\b\b\b");  // 7 columns left: two rows
    EXPECT_EQ(anchor_row(), 0);
    EXPECT_EQ(row(0), "abcd");
    EXPECT_EQ(row(1), "efg");
    EXPECT_EQ(cursor().X, 3);
    EXPECT_EQ(cursor().Y, 1);
}

TEST_F(LineEditor, EnterWhoseConversionCannotAllocateStillFinishesTheLine) {
    console_allocate = refuse_allocation;
    type(u"ab\r");
    EXPECT_EQ(anchor_row(), 1);
    EXPECT_EQ(input_line.write_position, 0);
    EXPECT_EQ(typed_text(), u"");
    type(u"c");
    EXPECT_EQ(row(1), "c");
}

}  // namespace
}  // namespace novra
