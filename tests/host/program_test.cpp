#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "host_fixture.h"
#include "render/framebuffer.h"

namespace novra {
namespace {

class Program : public testing::Test {
protected:
    void SetUp() override { program_reset(); }

    static int run() { return host_main(test_instance(), nullptr, nullptr, SW_SHOWNORMAL); }

    // The program's calls as the Host makes them: the default window procedure's own handling is left
    // out, and once the Host has opened the console, each run of calls the console makes for itself (on
    // its buffer, or converting text) inside console_write_line, console_log or console_poll_input is
    // one "(console)". What the console does inside is its own tests' business; where the Host hands it
    // control is this one's.
    static std::vector<std::string> host_calls() {
        std::vector<std::string> calls;
        bool console_open = false;
        for (const std::string& call : scripted_calls()) {
            const std::string_view name = std::string_view(call).substr(0, call.find(' '));
            if (name == "DefWindowProcW") continue;
            if (console_open && console_own(name)) {
                if (calls.empty() || calls.back() != "(console)") calls.push_back("(console)");
                continue;
            }
            calls.push_back(call);
            if (name == "SetConsoleCursorPosition") console_open = true;  // the last step of the opening
        }
        return calls;
    }

    static bool console_own(std::string_view name) {
        return (name.find("Console") != std::string_view::npos && name != "FreeConsole") ||
               name == "MultiByteToWideChar" || name == "WideCharToMultiByte";
    }

    // The Host's calls before its first message pump.
    static std::vector<std::string> startup_calls() {
        std::vector<std::string> calls = host_calls();
        calls.erase(std::find_if(calls.begin(), calls.end(),
                                 [](const std::string& call) { return call.starts_with("PeekMessageW"); }),
                    calls.end());
        return calls;
    }

    static const std::vector<std::string>& shutdown_calls() {
        static const std::vector<std::string> calls{"CloseHandle conout", "CloseHandle conin", "FreeConsole",
                                                    "ReleaseDC hwnd hdc",
                                                    "UnregisterClassW org.novra.GameWindow 0x400000"};
        return calls;
    }

    static std::vector<std::string> last_calls(size_t count) {
        const std::vector<std::string>& calls = scripted_calls();
        return {calls.end() - std::ptrdiff_t(std::min(count, calls.size())), calls.end()};
    }
};

TEST_F(Program, StartsUpInTheFixedOrder) {
    scripted_close(scripted_at_pass(0));
    ASSERT_EQ(run(), 0);
    const std::string brush = [] {
        const std::vector<std::string> fills = calls_named({"FillRect"});
        return fills.empty() ? std::string() : fills[0].substr(fills[0].rfind(' ') + 1);
    }();
    const std::vector<std::string> expected{
        "LoadCursorA null #32512",
        "RegisterClassExW " + std::to_string(sizeof(WNDCLASSEXW)) + " 3 org.novra.GameWindow",
        "CreateWindowExW 0 org.novra.GameWindow NOVRA 13565952 -2147483648 -2147483648 -2147483648 "
        "-2147483648 null null 0x400000 null",
        "ImmAssociateContext hwnd null",
        "ShowWindow hwnd 1",
        "GetDC hwnd",
        "GetClientRect hwnd",
        "GetSysColorBrush 1",
        "FillRect hdc 0,0,800,600 " + brush,
        "AllocConsole",
        "SetConsoleTitleW NOVRA DEBUG CONSOLE",
        "GetStdHandle -11",
        "GetStdHandle -10",
        "GetConsoleScreenBufferInfo conout",
        "SetConsoleCursorPosition conout 0,0",
        // The banner, then the Game's setup with its one log line.
        "(console)",
        "timeBeginPeriod 1",
        "QueryPerformanceFrequency",
        "QueryPerformanceCounter 0",
    };
    EXPECT_EQ(startup_calls(), expected);
    EXPECT_EQ(dib_header.bmiHeader.biWidth, 256);
    EXPECT_EQ(dib_header.bmiHeader.biHeight, 192);
}

TEST_F(Program, ShutsDownInTheFixedOrderAndLeavesTheWindow) {
    scripted_close(scripted_at_pass(2));
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(last_calls(shutdown_calls().size()), shutdown_calls());
    EXPECT_EQ(count_calls("DestroyWindow"), 0);
    EXPECT_TRUE(scripted_window().exists);
    EXPECT_FALSE(scripted_console().attached);
}

TEST_F(Program, CloseLetsTheCurrentPassFinish) {
    scripted_key(scripted_at_pass(0), VK_RIGHT, true);
    scripted_close(scripted_at_pass(2));
    ASSERT_EQ(run(), 0);
    // Three passes: the one that took the close still moved the player, presented and polled.
    EXPECT_EQ(game.player_x, 63);
    EXPECT_EQ(count_calls("StretchDIBits"), 3);
    const std::vector<std::string> calls = host_calls();
    const auto first_pass = std::find_if(
        calls.begin(), calls.end(), [](const std::string& call) { return call.starts_with("PeekMessageW"); });
    EXPECT_EQ(std::count(first_pass, calls.end(), "(console)"), 3);
    const auto close = std::find(calls.begin(), calls.end(), "DispatchMessageW hwnd WM_SYSCOMMAND 61536 0");
    ASSERT_NE(close, calls.end());
    std::vector<std::string> after_close;
    for (auto call = close + 1; call != calls.end(); ++call) {
        const std::string name = call->substr(0, call->find(' '));
        if (after_close.empty() || after_close.back() != name) after_close.push_back(name);
    }
    const std::vector<std::string> expected{
        "PeekMessageW",
        "QueryPerformanceCounter",  // game_frame, timed for the frame statistics
        "StretchDIBits",
        "QueryPerformanceCounter",  // the present, timed too
        "(console)",
        "QueryPerformanceCounter",
        "Sleep",
        "QueryPerformanceCounter",
        "CloseHandle",
        "FreeConsole",
        "ReleaseDC",
        "UnregisterClassW"};
    EXPECT_EQ(after_close, expected);
}

// What the window shows after each pass is the picture that pass's frame drew: the player box where the
// previous frame left it, never a frame older.
TEST_F(Program, EachPassPresentsThePictureItsOwnFrameDrew) {
    ScriptedConfig config;
    config.client_width = framebuffer_width;  // the letterbox is then the picture, pixel for pixel
    config.client_height = framebuffer_height;
    program_reset(config);
    scripted_key(scripted_at_pass(0), VK_RIGHT, true);
    scripted_close(scripted_at_pass(3));
    ASSERT_EQ(run(), 0);
    ASSERT_EQ(game.player_x, 64);  // four passes, one pixel each

    const ScriptedPicture shown = scripted_client();
    ASSERT_EQ(shown.width, framebuffer_width);
    ASSERT_EQ(shown.height, framebuffer_height);
    int differing = 0;
    for (int32_t y = 0; y < framebuffer_height; ++y) {
        for (int32_t x = 0; x < framebuffer_width; ++x) {
            const uint32_t drawn = framebuffer[(framebuffer_height - 1 - y) * framebuffer_width + x];
            differing += shown.pixels[size_t(y * framebuffer_width + x)] != (drawn & 0x00FFFFFF);
        }
    }
    EXPECT_EQ(differing, 0);
    const int32_t player_row = framebuffer_height - 1 - 60;  // the box's bottom row, counted from the top
    EXPECT_EQ(scripted_pixel(62, player_row), background_colour);
    EXPECT_EQ(scripted_pixel(63, player_row), player_colour);
    EXPECT_EQ(scripted_pixel(63 + player_size - 1, player_row), player_colour);
}

TEST_F(Program, ConsoleShowsTheBannerTheLogLineAndTheTypedLineUnderThem) {
    scripted_console_text(scripted_at_pass(1), u"hi");
    scripted_close(scripted_at_pass(3));
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(scripted_console().title, u"NOVRA DEBUG CONSOLE");
    EXPECT_EQ(scripted_console_line(0), "NOVRA debug console v0.1a");
    EXPECT_EQ(scripted_console_line(1), "NOVRA game debug mode");
    EXPECT_EQ(scripted_console_line(2), "hi");
    EXPECT_EQ(scripted_console().cursor_x, 2);
    EXPECT_EQ(scripted_console().cursor_y, 2);
}

TEST_F(Program, ArgumentsAndShowCommandHaveNoEffect) {
    scripted_close(scripted_at_pass(0));
    WCHAR command_line[] = TEXT("--fullscreen --width 10");
    ASSERT_EQ(host_main(test_instance(), test_instance(), command_line, SW_HIDE), 0);
    EXPECT_EQ(calls_named({"ShowWindow"}), std::vector<std::string>{"ShowWindow hwnd 1"});
    EXPECT_TRUE(scripted_window().visible);
    EXPECT_EQ(scripted_window().title, u"NOVRA");
}

TEST_F(Program, AResizeReLetterboxesThePicture) {
    scripted_resize(scripted_at_pass(1), 1000, 600);
    scripted_close(scripted_at_pass(2));
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(key_table.client_width, 1000);
    EXPECT_EQ(calls_named({"StretchDIBits"}).back(),
              "StretchDIBits hdc 100 0 800 600 0 0 256 192 256x192 0 13369376");
}

TEST_F(Program, WindowClassThatCannotBeRegisteredEndsWithStatusOne) {
    WNDCLASSEXW taken{};
    taken.cbSize = sizeof(WNDCLASSEXW);
    taken.lpfnWndProc = DefWindowProcW;
    taken.hInstance = test_instance();
    taken.lpszClassName = window_class_name;
    ASSERT_NE(RegisterClassExW(&taken), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot register the window class"),
              std::string::npos);
    EXPECT_EQ(count_calls("CreateWindowExW"), 0);
    EXPECT_EQ(count_calls("AllocConsole"), 0);
    EXPECT_EQ(count_calls("PeekMessageW"), 0);
}

TEST_F(Program, WindowThatCannotBeCreatedEndsWithStatusOneAndUnregistersTheClass) {
    // The simulation holds one window, so one made beforehand makes the program's creation fail.
    WNDCLASSEXW other{};
    other.cbSize = sizeof(WNDCLASSEXW);
    other.lpfnWndProc = DefWindowProcW;
    other.hInstance = test_instance();
    other.lpszClassName = TEXT("org.novra.test.Other");
    ASSERT_NE(RegisterClassExW(&other), 0);
    ASSERT_NE(CreateWindowExW(0, other.lpszClassName, TEXT("other"), 0, 0, 0, 10, 10, nullptr, nullptr,
                              test_instance(), nullptr),
              nullptr);
    scripted_clear_calls();
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot create the game window"),
              std::string::npos);
    EXPECT_EQ(last_calls(1), std::vector<std::string>{"UnregisterClassW org.novra.GameWindow 0x400000"});
    EXPECT_EQ(count_calls("AllocConsole"), 0);
    EXPECT_EQ(count_calls("PeekMessageW"), 0);
}

TEST_F(Program, UnusableCounterFrequencyEndsWithStatusOneAfterShuttingDown) {
    for (const int64_t frequency : {int64_t{0}, int64_t{-10'000'000}, pacer_frequency_limit + 1}) {
        SCOPED_TRACE(frequency);
        ScriptedConfig config;
        config.counter_frequency = frequency;
        program_reset(config);
        testing::internal::CaptureStderr();
        EXPECT_EQ(run(), 1);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("no usable performance counter"),
                  std::string::npos);
        EXPECT_EQ(count_calls("PeekMessageW"), 0);
        EXPECT_EQ(count_calls("Sleep"), 0);
        EXPECT_EQ(last_calls(shutdown_calls().size()), shutdown_calls());
    }
}

}  // namespace
}  // namespace novra
