#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "render/framebuffer.h"

namespace novra {
namespace {

// The game window opened as the Host's startup opens it, with the Game's side of presentation in
// place, and the message pump of the main loop.
class Window : public testing::Test {
protected:
    void SetUp() override {
        program_reset();
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof(WNDCLASSEXW);
        window_class.style = CS_HREDRAW | CS_VREDRAW;
        window_class.lpfnWndProc = window_proc;
        window_class.hInstance = test_instance();
        window_class.lpszClassName = window_class_name;
        ASSERT_NE(RegisterClassExW(&window_class), 0);
        game_window = CreateWindowExW(0, window_class_name, TEXT("NOVRA"), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                      test_instance(), nullptr);
        ASSERT_NE(game_window, nullptr);
        ShowWindow(game_window, SW_SHOWNORMAL);
        window_dc = GetDC(game_window);
        key_table.client_width = 800;
        key_table.client_height = 600;
        set_framebuffer_size(framebuffer_width, framebuffer_height);
        game.platform.present = present;
        pump();
        scripted_clear_calls();
    }

    // One message pump of the loop, taking what was scheduled since the last one.
    static void pump() {
        MSG message;
        while (PeekMessageW(&message, game_window, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    static ScriptedWhen next_pump() { return scripted_at_pass(scripted_pass() + 1); }
};

TEST_F(Window, KeyTableFollowsFirstPressesReleasesAndFocus) {
    enum Event { down, repeat, up, focus_lost, focus_back };
    struct Step {
        Event event;
        int key;
        int32_t left, right, menu, f10;  // key table entries expected afterwards
    };
    const Step steps[] = {
        {down, VK_RIGHT, 0, 1, 0, 0},
        {repeat, VK_RIGHT, 0, 1, 0, 0},  // auto-repeat changes nothing
        {up, VK_RIGHT, 0, 0, 0, 0},
        {down, VK_LEFT, 1, 0, 0, 0},
        {down, VK_RIGHT, 1, 1, 0, 0},
        {focus_lost, 0, 0, 0, 0, 0},  // every held key reads 0
        {focus_back, 0, 0, 0, 0, 0},
        {repeat, VK_LEFT, 0, 0, 0, 0},  // still held: its repeats are ignored until pressed again
        {up, VK_LEFT, 0, 0, 0, 0},
        {down, VK_LEFT, 1, 0, 0, 0},
        {down, VK_MENU, 1, 0, 0, 0},   // Alt and F10 are system keys, never recorded
        {down, VK_RIGHT, 1, 0, 0, 0},  // and so is any key pressed while Alt is held
        {up, VK_LEFT, 0, 0, 0, 0},     // but a key released while Alt is held reads released
        {up, VK_RIGHT, 0, 0, 0, 0},
        {up, VK_MENU, 0, 0, 0, 0},
        {down, VK_RIGHT, 0, 1, 0, 0},
        {down, VK_F10, 0, 1, 0, 0},
        {up, VK_F10, 0, 1, 0, 0},
        {up, VK_RIGHT, 0, 0, 0, 0},
    };
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        switch (step.event) {
            case down:
            case repeat:
            case up:
                scripted_key(next_pump(), uint8_t(step.key), step.event != up, step.event == repeat);
                break;
            case focus_lost:
            case focus_back:
                scripted_focus(next_pump(), step.event == focus_back);
                break;
        }
        pump();
        EXPECT_EQ(key_table.keys[VK_LEFT], step.left);
        EXPECT_EQ(key_table.keys[VK_RIGHT], step.right);
        EXPECT_EQ(key_table.keys[VK_MENU], step.menu);
        EXPECT_EQ(key_table.keys[VK_F10], step.f10);
    }
    // Every system key message still reaches the default procedure: Alt+F4 and the system menu need them.
    std::vector<std::string> defaults;
    for (const std::string& call : calls_named({"DefWindowProcW"}))
        if (call.find("SYSKEY") != std::string::npos) defaults.push_back(call.substr(0, call.rfind(' ')));
    EXPECT_EQ(defaults, (std::vector<std::string>{
                            "DefWindowProcW hwnd WM_SYSKEYDOWN 18", "DefWindowProcW hwnd WM_SYSKEYDOWN 39",
                            "DefWindowProcW hwnd WM_SYSKEYUP 37", "DefWindowProcW hwnd WM_SYSKEYUP 39",
                            "DefWindowProcW hwnd WM_SYSKEYUP 18", "DefWindowProcW hwnd WM_SYSKEYDOWN 121",
                            "DefWindowProcW hwnd WM_SYSKEYUP 121"}));
}

TEST_F(Window, KeyCodesOutsideTheTableWriteNothing) {
    // The client size sits right after `keys`: a write at index 256 would land in it.
    const KeyTable before = key_table;
    for (const WPARAM code : {WPARAM(256), WPARAM(257), WPARAM(0xFFFF), ~WPARAM(0)}) {
        EXPECT_EQ(SendMessageW(game_window, WM_KEYDOWN, code, 1), 0);
        EXPECT_EQ(SendMessageW(game_window, WM_KEYUP, code, LPARAM(0xC0000001)), 0);
        SendMessageW(game_window, WM_SYSKEYUP, code, LPARAM(0xE0000001));
    }
    EXPECT_EQ(std::memcmp(&key_table, &before, sizeof(KeyTable)), 0);
}

TEST_F(Window, CloseClearsTheRunFlagAndKeepsTheWindow) {
    EXPECT_EQ(SendMessageW(game_window, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(running);
    EXPECT_TRUE(scripted_window().exists);
    EXPECT_EQ(count_calls("DefWindowProcW"), 0);
}

TEST_F(Window, LetterboxFitsTheLargest4To3RectangleCentred) {
    struct Case {
        int32_t client_width, client_height;
        int32_t x, y, width, height;
    };
    const Case cases[] = {
        {800, 600, 0, 0, 800, 600},     // exactly 4:3: edge to edge
        {1024, 600, 112, 0, 800, 600},  // wider: bars left and right
        {1001, 601, 100, 0, 801, 601},  // 801.33 truncated
        {1001, 600, 100, 0, 800, 600},  // 100.5 truncated
        {640, 700, 0, 110, 640, 480},   // taller: bars above and below
        {101, 100, 0, 12, 101, 75},     // 75.75 and 12.5 truncated
        {0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.client_width << "x" << c.client_height);
        key_table.client_width = c.client_width;
        key_table.client_height = c.client_height;
        scripted_clear_calls();
        present_letterboxed();
        EXPECT_EQ(scripted_calls(),
                  std::vector<std::string>{"StretchDIBits hdc " + std::to_string(c.x) + " " +
                                           std::to_string(c.y) + " " + std::to_string(c.width) + " " +
                                           std::to_string(c.height) + " 0 0 256 192 256x192 0 13369376"});
    }
}

TEST_F(Window, SizingPresentsForTheStaleSizeAndSizeForTheNewOne) {
    clear_framebuffer(0x0000FF00);
    scripted_resize(next_pump(), 1024, 600);
    pump();
    // WM_SIZING still sees the size before the drag step; WM_SIZE, sent after it, sees the new one.
    const std::vector<std::string> expected{
        "GetClientRect hwnd",
        "FillRect hdc 0,0,800,600",
        "StretchDIBits hdc 0 0 800 600 0 0 256 192 256x192 0 13369376",
        "GetClientRect hwnd",
        "FillRect hdc 0,0,1024,600",
        "StretchDIBits hdc 112 0 800 600 0 0 256 192 256x192 0 13369376",
    };
    std::vector<std::string> drawing = calls_named({"GetClientRect", "FillRect", "StretchDIBits"});
    for (std::string& call : drawing)
        if (call.starts_with("FillRect")) call.erase(call.rfind(' '));  // the brush handle
    EXPECT_EQ(drawing, expected);
    EXPECT_EQ(key_table.client_width, 1024);
    EXPECT_EQ(key_table.client_height, 600);

    // The bars are the background the fill left; the picture starts at column 112.
    const uint32_t bar = scripted_pixel(0, 300);
    EXPECT_NE(bar, 0x0000FF00u);
    EXPECT_EQ(scripted_pixel(111, 300), bar);
    EXPECT_EQ(scripted_pixel(112, 300), 0x0000FF00u);
    EXPECT_EQ(scripted_pixel(911, 300), 0x0000FF00u);
    EXPECT_EQ(scripted_pixel(912, 300), bar);
}

}  // namespace
}  // namespace novra
