// Opens the debug console on a scripted desktop the way the Host does at startup, and types into it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "console/console.h"
#include "platform/scripted/scripted.h"
#include "tests/shared/scripted_console.h"

namespace novra {

class ConsoleTest : public testing::Test {
protected:
    // A fresh desktop with a width x height console buffer, the console state read from it, an empty
    // typed line anchored at column 0, row 0, and an empty call record.
    void open(int16_t width, int16_t height) {
        ScriptedConfig config;
        config.console_width = width;
        config.console_height = height;
        open_scripted_console(config);
        scripted_clear_calls();
    }

    void SetUp() override { open(80, 25); }
    void TearDown() override { console_reset(); }

    // Polls as the main loop does until every waiting record has been taken.
    static void poll_all() {
        do {
            console_poll_input();
        } while (scripted_console().input_queued > 0);
    }

    // Types `text` (a key-down and a key-up record per code unit; "\b" is Backspace, "\r" Enter).
    static void type(std::u16string_view text) {
        scripted_console_text(scripted_at_pass(0), text);
        poll_all();
    }

    // Queues key-down records only, so that up to 8 characters arrive in one batch.
    static void queue_key_downs(std::u16string_view text) {
        for (char16_t ch : text)
            scripted_console_key(scripted_at_pass(0), ch, 0, true);
    }

    static std::string row(int16_t r) { return scripted_console_line(r); }
    static COORD cursor() {
        const ScriptedConsole console = scripted_console();
        return COORD{console.cursor_x, console.cursor_y};
    }
    static int16_t anchor_row() { return console_state.info.dwCursorPosition.Y; }
    static std::u16string typed_text() { return std::u16string(input_line.buffer); }

    // Every scroll recorded so far has its rectangles and destination inside a width x height buffer,
    // the form Wine carries out too (it refuses one that reaches past the buffer; Windows would clip it).
    static void expect_scrolls_inside_buffer(int16_t width, int16_t height) {
        for (const std::string& call : scripted_calls()) {
            if (!call.starts_with("ScrollConsoleScreenBufferW ")) continue;
            std::string numbers = call;  // no clip rectangle reads as a cell inside any buffer
            if (size_t at = numbers.find(" null "); at != std::string::npos)
                numbers.replace(at, 6, " 0,0,0,0 ");
            int v[10];
            ASSERT_EQ(std::sscanf(numbers.c_str(),
                                  "ScrollConsoleScreenBufferW conout %d,%d,%d,%d %d,%d,%d,%d %d,%d", &v[0],
                                  &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9]),
                      10)
                << call;
            for (int i = 0; i < 10; i += 2)
                EXPECT_TRUE(v[i] >= 0 && v[i] < width && v[i + 1] >= 0 && v[i + 1] < height) << call;
        }
    }

    static int count_calls(std::string_view name) {
        const auto& calls = scripted_calls();
        return int(std::count_if(calls.begin(), calls.end(), [&](std::string_view call) {
            return call == name || (call.starts_with(name) && call[name.size()] == ' ');
        }));
    }
};

inline void* refuse_allocation(size_t) {
    return nullptr;
}

}  // namespace novra
