// The debug console's line editor on the scripted desktop, fed random batches of console records (key
// downs and ups of any character and of the cursor and deleting keys, focus and other records, more than one poll takes) and now and then a
// log line (malformed UTF-8, longer than any buffer), against a small model of the InputLine and the
// anchor. Buffers range from far too small for a full line to large enough. After every poll the typed
// text and its columns must match the model; the cursor and the anchor must be where the model puts them,
// the anchor inside the buffer whenever the line fits; and, until a log line makes the screen's history
// too long to model, every cell must match the model's screen.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/scripted/scripted.h"
#include "tests/shared/editor_model.h"
#include "tests/shared/scripted_console.h"

namespace novra {
namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "line editor differs from its model: %s\n", what);
    std::abort();
}

INPUT_RECORD take_record(FuzzedDataProvider& input) {
    static const char16_t palette[] = {u'a',   u'Z',   u' ',   8,      8,      13,     0,      9,
                                       0x1B,   0x01,   0xFF,   0x100,  0x3042, 0xFF60, 0xFF61, 0xFF9F,
                                       0xFFA0, 0xFFE7, 0xFFE8, 0xFFEE, 0xFFEF, 0xD83D, 0xDE00, 0x05,
                                       0x0B,   0x15,   0x17,   0,      0,      0};
    // The editing keys without a character; Up and Down are left out, the model keeps no history.
    static const WORD keys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE, VK_F1};
    INPUT_RECORD record{};
    const uint8_t kind = input.ConsumeIntegral<uint8_t>();
    if (kind % 16 == 0) {
        record.EventType = FOCUS_EVENT;
        record.Event.FocusEvent.bSetFocus = TRUE;
        return record;
    }
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = kind % 16 > 2;
    record.Event.KeyEvent.wRepeatCount = WORD(kind / 16 + 1);
    record.Event.KeyEvent.uChar.UnicodeChar =
        kind % 4 == 3 ? input.ConsumeIntegral<char16_t>()
                      : palette[input.ConsumeIntegral<uint8_t>() % std::size(palette)];
    if (record.Event.KeyEvent.uChar.UnicodeChar == 0) {
        const uint8_t key = input.ConsumeIntegral<uint8_t>();
        record.Event.KeyEvent.wVirtualKeyCode = keys[key % std::size(keys)];
        if (key & 0x80) record.Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
    }
    return record;
}

// A log line: short text of any bytes, or a line longer than any buffer can hold.
std::string take_log_line(FuzzedDataProvider& input) {
    const uint8_t kind = input.ConsumeIntegral<uint8_t>();
    if (kind % 32 == 0) return std::string(32768 + kind, 'x');
    if (kind % 32 == 1) {
        std::string line;
        while (line.size() < 40000)
            line += "\xE3\x81\x82";  // three bytes, one code unit, two columns
        return line;
    }
    std::string line = input.ConsumeRandomLengthString(400);
    return line;
}

void check(const EditorModel& model) {
    const ScriptedConsole console = scripted_console();
    if (std::u16string(input_line.buffer) != model.text) fail("typed text");
    if (input_line.write_position != int32_t(model.text.size())) fail("write position");
    if (input_line.buffer[input_line_capacity] != 0) fail("the buffer's last unit is not a zero");
    if (input_line.column_count != model.columns) fail("column count");
    const int32_t anchor = console_state.info.dwCursorPosition.Y;
    if (anchor != model.anchor_row) fail("anchor row");
    if (console_state.info.dwCursorPosition.X != 0) fail("anchor column");
    // The anchor leaves the buffer only upward and only while the line is longer than the buffer.
    const int32_t rows = model.columns / model.width + 1;
    if (anchor >= model.height || anchor < std::min(0, model.height - rows))
        fail("anchor outside the buffer");
    if (console.cursor_x != model.cursor_x || console.cursor_y != model.cursor_y) fail("cursor");
    if (model.cells_known && console.characters != model.cells) fail("screen cells");
}

}  // namespace
}  // namespace novra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace novra;
    FuzzedDataProvider input(data, size);
    // Buffers wide or tall enough for a full line below any anchor the editor keeps, and buffers far too
    // small for it. A full line is 256 full-width characters, 512 columns, and more where a character
    // meeting a row's end skips the last cell: a row of 7 holds three, so the line takes 86 rows there.
    static const int16_t sizes[][2] = {{80, 25}, {40, 14}, {64, 10}, {20, 27}, {512, 2},
                                       {1, 513}, {7, 88},  {1, 1},   {2, 3},   {5, 4}};
    constexpr size_t first_small_size = 7;
    const size_t size_index = input.ConsumeIntegral<uint8_t>() % std::size(sizes);
    const auto& chosen = sizes[size_index];
    ScriptedConfig config;
    config.console_width = chosen[0];
    config.console_height = chosen[1];
    config.record_calls = false;
    open_scripted_console(config);
    EditorModel model(chosen[0], chosen[1]);

    std::deque<INPUT_RECORD> queued;  // records written and not yet taken by a poll
    while (input.remaining_bytes() > 0) {
        const uint8_t step = input.ConsumeIntegral<uint8_t>();
        // In a buffer too small for the line a log line can leave the anchor where the console's cursor
        // was (its row below the line's start lies outside the buffer); such buffers get no log lines.
        if (step % 8 == 0 && size_index < first_small_size) {
            const std::string line = take_log_line(input);
            console_log(line.c_str());
            model.cells_known = false;
            // The typed line moves down by the log line's rows, or less where the buffer ends; the
            // model takes the anchor the console read back, which must keep the line inside the buffer.
            model.anchor_row = console_state.info.dwCursorPosition.Y;
            if (model.anchor_row + model.columns / model.width >= model.height)
                fail("log line pushed the typed line out");
            model.cursor_x = 0;
            model.cursor_y = model.anchor_row;
            continue;
        }
        std::vector<INPUT_RECORD> records(step % 8 == 1 ? 0 : 1 + step / 8 % 12);
        for (INPUT_RECORD& record : records)
            record = take_record(input);
        DWORD written = 0;
        if (!records.empty())
            WriteConsoleInputW(console_state.input, records.data(), DWORD(records.size()), &written);
        queued.insert(queued.end(), records.begin(), records.end());

        console_poll_input();
        if (queued.empty()) {
            check(model);
            continue;
        }
        for (DWORD taken = 0; taken < input_batch_capacity && !queued.empty(); ++taken) {
            const INPUT_RECORD record = queued.front();
            queued.pop_front();
            if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
                model.key_down(record.Event.KeyEvent.uChar.UnicodeChar, record.Event.KeyEvent.wVirtualKeyCode,
                               record.Event.KeyEvent.dwControlKeyState != 0);
        }
        model.redraw();
        if (scripted_console().input_queued != queued.size()) fail("records taken per poll");
        if (input_batch.count != 0) fail("batch count not reset");
        check(model);
    }
    return 0;
}
