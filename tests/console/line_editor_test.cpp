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
    // U+3042 is two columns wide; each half of the surrogate pair of U+1F600 counts two, and one
    // Backspace deletes the pair.
    struct Step {
        const char16_t* keys;
        int16_t columns;
        int32_t units;
    };
    const Step steps[] = {
        {u"\u3042", 2, 1}, {u"a", 3, 2},  {u"\uFF71", 4, 3}, {u"\uFFA0", 6, 4}, {u"\U0001F600", 10, 6},
        {u"\b", 6, 4},     {u"\b", 4, 3}, {u"\b", 3, 2},     {u"\b", 2, 1},     {u"\b", 0, 0},
    };
    for (const Step& step : steps) {
        type(step.keys);
        EXPECT_EQ(input_line.column_count, step.columns);
        EXPECT_EQ(input_line.write_position, step.units);
        EXPECT_EQ(cursor().X, step.columns);
    }
}

TEST_F(LineEditor, KeysWithoutCharacterAndTabAreIgnoredOtherControlsAreStored) {
    queue_key_downs(std::u16string_view(u"\0\t\x02\x1B\n\x0C", 6));
    poll_all();
    EXPECT_EQ(typed_text(), u"\x02\x1B\n\x0C");
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

// Presses keys in one string: U+E0xx is the key with virtual-key code xx, U+E1xx the same with Ctrl
// held; anything else is a character typed.
void press(std::u16string_view keys) {
    for (char16_t key : keys) {
        INPUT_RECORD records[2]{};
        for (INPUT_RECORD& record : records) {
            record.EventType = KEY_EVENT;
            KEY_EVENT_RECORD& event = record.Event.KeyEvent;
            event.wRepeatCount = 1;
            if (key >= 0xE000 && key < 0xE200) {
                event.wVirtualKeyCode = WORD(key & 0xFF);
                event.dwControlKeyState = key >= 0xE100 ? LEFT_CTRL_PRESSED : 0;
            } else {
                event.uChar.UnicodeChar = key;
            }
        }
        records[0].Event.KeyEvent.bKeyDown = TRUE;
        DWORD written = 0;
        WriteConsoleInputW(console_state.input, records, 2, &written);
    }
}

constexpr char16_t left = 0xE025, right = 0xE027, up = 0xE026, down = 0xE028, home = 0xE024, end = 0xE023,
                   del = 0xE02E, ctrl_left = 0xE125, ctrl_right = 0xE127;

// Catches edits made at the line's end instead of the cursor, a surrogate pair or full-width character
// split by a cursor move, words misfound, and a cursor drawn where the editor's is not: each row is
// typed into a fresh 6 x 8 console, where the layout moves full-width characters to the next row.
TEST_F(LineEditor, EditingKeysChangeTheLineAtTheCursor) {
    struct Case {
        std::u16string keys;
        std::u16string text;
        int32_t cursor;  // code units before the editor's cursor
        int16_t x, y;    // where the console's cursor stands
    };
    const Case cases[] = {
        {u"pxs" + std::u16string{left, left, del} + u"o", u"pos", 2, 2, 0},
        {u"pxs" + std::u16string{left} + u"\bo", u"pos", 2, 2, 0},
        {u"abc" + std::u16string{home} + u"x" + std::u16string{end} + u"y", u"xabcy", 5, 5, 0},
        {u"abc\x01x\x05y", u"xabcy", 5, 5, 0},
        {u"a\U0001F600b" + std::u16string{left, left}, u"a\U0001F600b", 1, 1, 0},
        {u"a\U0001F600b" + std::u16string{left, left, del}, u"ab", 1, 1, 0},
        {u"a\U0001F600b" + std::u16string{left, left, right}, u"a\U0001F600b", 3, 5, 0},
        {u"abcde\u3042" + std::u16string{left}, u"abcde\u3042", 5, 5, 0},
        {u"abcde\u3042", u"abcde\u3042", 6, 2, 1},  // the full-width character starts row 1
        {u"tp 10 20" + std::u16string{ctrl_left, ctrl_left}, u"tp 10 20", 3, 3, 0},
        {u"tp 10 20" + std::u16string{home, ctrl_right, ctrl_right}, u"tp 10 20", 5, 5, 0},
        {u"tp 10 20\x17", u"tp 10 ", 6, 0, 1},
        {u"tp 10 20" + std::u16string{left, left, left} + u"\x0B", u"tp 10", 5, 5, 0},
        {u"tp 10 20" + std::u16string{left, left, left} + u"\x15", u" 20", 0, 0, 0},
        {u"ab" + std::u16string{0xE070, 0xE010} + u"c", u"abc", 3, 3, 0},  // F1, Shift: nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        open(6, 8);
        press(c.keys);
        poll_all();
        EXPECT_EQ(typed_text(), c.text);
        EXPECT_EQ(input_line.cursor_position, c.cursor);
        EXPECT_EQ(cursor().X, c.x);
        EXPECT_EQ(cursor().Y, c.y);
    }
}

// Catches a history that loses the line being typed, keeps more than 32 lines or walks past its ends.
TEST_F(LineEditor, UpAndDownWalkTheLastFinishedLinesAndGiveBackTheDraft) {
    for (int i = 0; i < 40; ++i)
        press(u"l" + std::u16string(1, char16_t(u'A' + i)) + u"\r");
    press(u"draft" + std::u16string{up});
    poll_all();
    EXPECT_EQ(typed_text(), u"l" + std::u16string(1, char16_t(u'A' + 39)));
    press(std::u16string(40, up));
    poll_all();
    EXPECT_EQ(typed_text(), u"l" + std::u16string(1, char16_t(u'A' + 8)));  // the oldest of 32 kept
    press(std::u16string(40, down));
    poll_all();
    EXPECT_EQ(typed_text(), u"draft");
    EXPECT_EQ(input_line.cursor_position, 5);
    press(std::u16string{up} + u"\r" + std::u16string{up});
    poll_all();
    EXPECT_EQ(typed_text(), u"l" + std::u16string(1, char16_t(u'A' + 39)));
}

}  // namespace
}  // namespace novra
