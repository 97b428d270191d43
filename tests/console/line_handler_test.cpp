// Finished lines go to the line handler the console was given, as UTF-8, and what the handler logs
// appears between the finished line and the next one.
#include <string>
#include <vector>

#include "console_fixture.h"

namespace novra {
namespace {

std::vector<std::string> handed;

void record_line(const char* line) {
    handed.push_back(line);
}

// A handler that answers each line, as the Game's commands do.
void answer_line(const char* line) {
    handed.push_back(line);
    console_log((std::string("got ") + line).c_str());
}

class LineHandler : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        handed.clear();
        console_line_handler = record_line;
    }
    void TearDown() override {
        console_line_handler = nullptr;
        ConsoleTest::TearDown();
    }
};

TEST_F(LineHandler, EachFinishedLineIsHandedOverOnceAsUtf8) {
    type(u"tp 1 2\r\r");
    type(u"h\u00e9 \u3042 \U0001F600\x02\x1b\r");
    type(u"unfinished");
    EXPECT_EQ(handed,
              (std::vector<std::string>{"tp 1 2", "", "h\xC3\xA9 \xE3\x81\x82 \xF0\x9F\x98\x80\x02\x1B"}));
}

TEST_F(LineHandler, TheLineGivenIsTheTextAfterEditing) {
    type(u"rm 12\b3\r");
    EXPECT_EQ(handed, std::vector<std::string>{"rm 13"});
}

TEST_F(LineHandler, AnswersAppearUnderTheFinishedLineAndAboveTheNextOne) {
    console_line_handler = answer_line;
    queue_key_downs(u"ab\rcd");  // one batch: the Enter falls between characters
    console_poll_input();
    type(u"\r");
    EXPECT_EQ(row(0), "ab");
    EXPECT_EQ(row(1), "got ab");
    EXPECT_EQ(row(2), "cd");
    EXPECT_EQ(row(3), "got cd");
    EXPECT_EQ(anchor_row(), 4);
    EXPECT_EQ(cursor().Y, 4);
    EXPECT_EQ(handed, (std::vector<std::string>{"ab", "cd"}));
}

TEST_F(LineHandler, AnswersOnTheLastRowScrollTheConsole) {
    open(20, 3);
    console_line_handler = answer_line;
    type(u"a\rb\r");
    // The typed line keeps the last row: the answers pushed the older rows off the top.
    EXPECT_EQ(row(0), "b");
    EXPECT_EQ(row(1), "got b");
    EXPECT_EQ(row(2), "");
    EXPECT_EQ(anchor_row(), 2);
    type(u"c");
    EXPECT_EQ(row(1), "got b");
    EXPECT_EQ(row(2), "c");
}

TEST_F(LineHandler, WithoutAHandlerOrMemoryTheLineIsDropped) {
    console_line_handler = nullptr;
    type(u"ab\r");
    EXPECT_EQ(row(0), "ab");
    EXPECT_EQ(anchor_row(), 1);
    console_line_handler = record_line;
    console_allocate = refuse_allocation;
    type(u"cd\r");
    EXPECT_TRUE(handed.empty());
    EXPECT_EQ(anchor_row(), 2);
}

COORD cursor_at_handover;

void record_cursor(const char*) {
    const ScriptedConsole console = scripted_console();
    cursor_at_handover = COORD{console.cursor_x, console.cursor_y};
}

// Catches an Enter on the last row that scrolls one row short: the handler must find the cursor on
// the new line's row, the buffer's last, not on the finished line.
TEST_F(LineHandler, EnterOnTheLastRowGivesTheHandlerTheNewLinesRow) {
    open(10, 3);
    console_line_handler = record_cursor;
    type(u"a\rb\rcc\r");
    EXPECT_EQ(cursor_at_handover.X, 0);
    EXPECT_EQ(cursor_at_handover.Y, 2);
    EXPECT_EQ(row(1), "cc");
}

// Catches rows counted in columns where the console starts a full-width character on the next row:
// the editor's cursor and the next line's anchor must follow the cells the console used.
TEST_F(LineHandler, FullWidthCharactersWrappedAtRowEndsKeepCursorAndNextLineInStep) {
    open(10, 6);
    console_line_handler = record_line;
    type(u"a\u3042\u3042\u3042\u3042\u3042");  // the fifth starts row 1, the row's last cell blanked
    EXPECT_EQ(cursor().X, 2);
    EXPECT_EQ(cursor().Y, 1);
    type(u"a\u3042\u3042\u3042\u3042\u3042bbbbbbb");  // a second wrap; the last b on row 3
    EXPECT_EQ(cursor().X, 1);
    EXPECT_EQ(cursor().Y, 3);
    type(u"\r");
    EXPECT_EQ(cursor().Y, 4);  // the new line under the finished one's last row, not on it
    EXPECT_EQ(row(3), "b");
    EXPECT_EQ(handed.size(), 1u);
}

const char* test_command_name(int32_t index) {
    static const char* const names[] = {"help", "pos", "box", "boxes", "tp"};
    return index >= 0 && index < 5 ? names[index] : nullptr;
}

// Catches completion from the wrong text (after the cursor, or a later word), a lost space after a
// single match, a common start cut short, and a second Tab that lists nothing.
TEST_F(LineHandler, TabCompletesCommandNamesAndASecondTabListsSeveral) {
    console_command_name = test_command_name;
    type(u"p\t");
    EXPECT_EQ(typed_text(), u"pos ");
    type(
        u"\x15"
        u"b\t");  // Ctrl+U, then 'b': box and boxes share "box"
    EXPECT_EQ(typed_text(), u"box");
    type(u"\t");
    EXPECT_EQ(row(0), "box  boxes");
    EXPECT_EQ(typed_text(), u"box");
    type(u"\x15tp 1 p\t");  // only the first word is a command name
    EXPECT_EQ(typed_text(), u"tp 1 p");
    type(u"\x15x\t");
    EXPECT_EQ(typed_text(), u"x");
}

}  // namespace
}  // namespace novra
