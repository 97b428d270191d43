// The line editor against a small model of what it must do: random batches of console records are
// fed to the real editor and to the model, and after every poll the typed text, its column count, the
// anchor, the cursor and every visible cell must agree.
#include <random>
#include <string>
#include <vector>

#include "console_fixture.h"
#include "tests/shared/editor_model.h"

namespace novra {
namespace {

INPUT_RECORD random_record(std::mt19937& random) {
    static const char16_t palette[] = {u'a',   u'b',   u'z',   u'0',   u' ', u'~', 0x3042, 0xFF71,
                                       0xFFA0, 0xFFE8, 0xD83D, 0xDE00, 0x1B, 0x01, 0,      9,
                                       5,      11,     21,     23,     0,    0,    0,      0};
    static const WORD keys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE, VK_F1};
    INPUT_RECORD record{};
    const uint32_t kind = random() % 100;
    if (kind < 5) {
        record.EventType = FOCUS_EVENT;
        record.Event.FocusEvent.bSetFocus = TRUE;
        return record;
    }
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = kind >= 15;  // some releases
    record.Event.KeyEvent.wRepeatCount = WORD(1 + random() % 3);
    if (kind < 27)
        record.Event.KeyEvent.uChar.UnicodeChar = 8;
    else if (kind < 33)
        record.Event.KeyEvent.uChar.UnicodeChar = 13;
    else
        record.Event.KeyEvent.uChar.UnicodeChar = palette[random() % std::size(palette)];
    if (record.Event.KeyEvent.uChar.UnicodeChar == 0) {
        record.Event.KeyEvent.wVirtualKeyCode = keys[random() % std::size(keys)];
        if (random() % 3 == 0) record.Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
    }
    return record;
}

class LineEditorProperty : public ConsoleTest {};

TEST_F(LineEditorProperty, MatchesTheModelOverRandomBatches) {
    // Sizes where even 256 two-column units fit in the buffer, so the line never starts above it.
    const COORD sizes[] = {{40, 14}, {64, 10}, {20, 27}};
    for (uint32_t seed = 1; seed <= 120; ++seed) {
        const COORD size = sizes[seed % std::size(sizes)];
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << size.X << "x" << size.Y);
        open(size.X, size.Y);
        EditorModel model(size.X, size.Y);
        std::mt19937 random(seed);
        for (int batch = 0; batch < 100; ++batch) {
            std::vector<INPUT_RECORD> records(1 + random() % input_batch_capacity);
            for (INPUT_RECORD& record : records) {
                record = random_record(random);
                if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
                    model.key_down(record.Event.KeyEvent.uChar.UnicodeChar,
                                   record.Event.KeyEvent.wVirtualKeyCode,
                                   record.Event.KeyEvent.dwControlKeyState != 0);
            }
            DWORD written = 0;
            WriteConsoleInputW(console_state.input, records.data(), DWORD(records.size()), &written);
            console_poll_input();
            model.redraw();

            ASSERT_EQ(typed_text(), model.text) << "batch " << batch;
            ASSERT_EQ(input_line.write_position, int32_t(model.text.size()));
            ASSERT_EQ(input_line.column_count, model.columns);
            ASSERT_EQ(anchor_row(), model.anchor_row);
            ASSERT_EQ(cursor().X, model.cursor_x);
            ASSERT_EQ(cursor().Y, model.cursor_y);
            ASSERT_EQ(scripted_console().characters, model.cells) << "batch " << batch;
        }
    }
}

}  // namespace
}  // namespace novra
