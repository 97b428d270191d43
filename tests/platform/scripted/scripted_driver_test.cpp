// The scripted driver itself: virtual time, when scheduled input arrives, the call record, read-back
// and PNG export, and that the same script gives the same run.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/scripted/scripted.h"
#include "platform/sim/driver.h"
#include "platform/win32.h"

namespace novra {
namespace {

std::vector<UINT> received;

LRESULT CALLBACK keeping_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    received.push_back(message);
    return DefWindowProcW(window, message, wparam, lparam);
}

HWND window_open() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(WNDCLASSEXW);
    window_class.lpfnWndProc = keeping_proc;
    window_class.lpszClassName = TEXT("org.novra.ScriptedTest");
    RegisterClassExW(&window_class);
    HWND window =
        CreateWindowExW(0, window_class.lpszClassName, TEXT("NOVRA"), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    received.clear();
    return window;
}

// One pump as the Host's loop runs it; returns the key-down messages taken.
int pump_key_downs(HWND window) {
    received.clear();
    MSG message;
    while (PeekMessageW(&message, window, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    int key_downs = 0;
    for (UINT m : received)
        key_downs += m == WM_KEYDOWN;
    return key_downs;
}

TEST(ScriptedClock, CounterReadsStepAndSleepAdvancesByMillisecondsPlusOversleep) {
    ScriptedConfig config;
    config.counter_frequency = 1'000'000;
    config.counter_start = 500;
    config.counter_step = 7;
    config.sleep_oversleep = 300;
    scripted_start(config);
    LARGE_INTEGER value{};
    QueryPerformanceFrequency(&value);
    EXPECT_EQ(value.QuadPart, 1'000'000);
    QueryPerformanceCounter(&value);
    EXPECT_EQ(value.QuadPart, 500);
    QueryPerformanceCounter(&value);
    EXPECT_EQ(value.QuadPart, 507);
    Sleep(11);
    EXPECT_EQ(scripted_now(), 514 + 11'000 + 300);
    scripted_set_counter_step(0);
    QueryPerformanceCounter(&value);
    QueryPerformanceCounter(&value);
    EXPECT_EQ(value.QuadPart, 514 + 11'000 + 300);
}

TEST(ScriptedInput, PassInputArrivesInThePumpOfThatPass) {
    scripted_start();
    HWND window = window_open();
    scripted_key(scripted_at_pass(2), 'A', true);
    EXPECT_EQ(pump_key_downs(window), 0);  // pass 0
    EXPECT_EQ(pump_key_downs(window), 0);  // pass 1
    EXPECT_EQ(scripted_pass(), 1);
    EXPECT_EQ(pump_key_downs(window), 1);  // pass 2
    EXPECT_EQ(scripted_pending(), 0);
}

TEST(ScriptedInput, TimedInputArrivesAtTheFirstPumpAtOrAfterItsTime) {
    ScriptedConfig config;
    config.counter_step = 0;
    scripted_start(config);
    HWND window = window_open();
    scripted_key(scripted_at_time(20'000), 'B', true);
    EXPECT_EQ(pump_key_downs(window), 0);
    Sleep(1);  // 10,000 ticks at the default 10 MHz
    EXPECT_EQ(pump_key_downs(window), 0);
    Sleep(1);
    EXPECT_EQ(pump_key_downs(window), 1);
}

TEST(ScriptedInput, ConsoleTextBecomesKeyDownAndKeyUpRecords) {
    scripted_start();
    AllocConsole();
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    scripted_console_text(scripted_at_pass(0), u"hi\r");
    INPUT_RECORD records[8];
    DWORD read = 0;
    ASSERT_TRUE(ReadConsoleInputW(input, records, 8, &read));
    ASSERT_EQ(read, 6u);
    EXPECT_TRUE(records[0].Event.KeyEvent.bKeyDown);
    EXPECT_FALSE(records[1].Event.KeyEvent.bKeyDown);
    EXPECT_EQ(records[2].Event.KeyEvent.uChar.UnicodeChar, u'i');
    EXPECT_EQ(records[4].Event.KeyEvent.uChar.UnicodeChar, 13);
    EXPECT_EQ(records[4].Event.KeyEvent.wVirtualKeyCode, VK_RETURN);
    ASSERT_TRUE(ReadConsoleInputW(input, records, 8, &read));
    EXPECT_EQ(read, 0u);  // nothing queued: the scripted console does not wait
}

TEST(ScriptedRecord, CallsAreRecordedInOrderWithTheirArguments) {
    scripted_start();
    HWND window = window_open();
    scripted_clear_calls();
    HDC dc = GetDC(window);
    Sleep(3);
    AllocConsole();
    SetConsoleTitleW(TEXT("NOVRA DEBUG CONSOLE"));
    SetConsoleCursorPosition(GetStdHandle(STD_OUTPUT_HANDLE), COORD{0, 2});
    ReleaseDC(window, dc);
    const std::vector<std::string> expected = {
        "GetDC hwnd",         "Sleep 3",
        "AllocConsole",       "SetConsoleTitleW NOVRA DEBUG CONSOLE",
        "GetStdHandle -11",   "SetConsoleCursorPosition conout 0,2",
        "ReleaseDC hwnd hdc",
    };
    EXPECT_EQ(scripted_calls(), expected);
}

TEST(ScriptedReadBack, ConsoleLinesAndTitleAreReadable) {
    scripted_start();
    AllocConsole();
    SetConsoleTitleW(TEXT("title"));
    DWORD written = 0;
    WriteConsoleOutputCharacterW(GetStdHandle(STD_OUTPUT_HANDLE), TEXT("ab\0c"), 4, COORD{1, 1}, &written);
    FreeConsole();
    ScriptedConsole console = scripted_console();
    EXPECT_FALSE(console.attached);
    EXPECT_EQ(console.title, u"title");
    EXPECT_EQ(scripted_console_line(1), " ab c");
    EXPECT_EQ(scripted_console_row(1).substr(0, 5), std::u16string(u" ab\0c", 5));
}

// Runs a small fixed script and returns its pixels and calls.
std::pair<std::vector<uint32_t>, std::vector<std::string>> run_script() {
    ScriptedConfig config;
    config.client_width = 16;
    config.client_height = 8;
    scripted_start(config);
    HWND window = window_open();
    HDC dc = GetDC(window);
    uint32_t pixels[4] = {0x00112233, 0x00445566, 0x00778899, 0x00AABBCC};
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    scripted_resize(scripted_at_pass(1), 20, 10);
    for (int pass = 0; pass < 3; ++pass) {
        pump_key_downs(window);
        StretchDIBits(dc, pass, 0, 8, 8, 0, 0, 2, 2, pixels, &info, DIB_RGB_COLORS, SRCCOPY);
    }
    return {scripted_client().pixels, scripted_calls()};
}

// A client area 0 wide or 0 high has no pixels. Resizing into and out of it, and drawing into it, must
// never index the empty bitmap (the sanitizer build fails on the reference into it that starting a row
// would make); what overlaps the old area is kept.
// The simulated console as a CJK Windows console: a full-width code unit takes a leading and a trailing
// cell, never straddles rows (the row's last cell is blanked), a write over one half blanks the other,
// and attributes stay as they were. Each case writes into a fresh 4 x 2 buffer of 'o' in attribute 0x1E.
TEST(ScriptedConsoleCells, FullWidthCharactersTakeTwoCellsAsOnAWindowsCjkConsole) {
    struct Write {
        SHORT x, y;
        std::u16string text;
    };
    struct Case {
        const char* name;
        std::vector<Write> writes;
        std::u16string cells;  // both rows, 8 code units
        DWORD last_written;
    };
    const Case cases[] = {
        {"two cells each", {{0, 0, u"\u6F22a"}}, u"\u6F22\u6F22aooooo", 2},
        {"the row's last cell is blanked", {{3, 0, u"\u6F22b"}}, u"ooo \u6F22\u6F22bo", 2},
        {"each surrogate half takes two cells", {{0, 0, u"\U0001F600"}}, u"\xD83D\xD83D\xDE00\xDE00oooo", 2},
        {"writing on the trailing half blanks the leading one",
         {{0, 0, u"\u6F22"}, {1, 0, u"x"}},
         u" xoooooo",
         1},
        {"writing on the leading half blanks the trailing one",
         {{1, 0, u"\u6F22"}, {0, 0, u"xy"}},
         u"xy oooo"
         u"o",
         2},
        {"no room at the buffer's end: not written", {{2, 1, u"a\u6F22"}}, u"ooooooa ", 1},
    };
    for (const Case& c : cases) {
        ScriptedConfig config;
        config.console_width = 4;
        config.console_height = 2;
        scripted_start(config);
        AllocConsole();
        HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        const SMALL_RECT whole{0, 0, 3, 1};
        CHAR_INFO fill{};
        fill.Char.UnicodeChar = u'o';
        fill.Attributes = 0x1E;
        ScrollConsoleScreenBufferW(output, &whole, nullptr, COORD{0, 10}, &fill);  // moved away: all filled
        DWORD written = 0;
        for (const Write& write : c.writes)
            WriteConsoleOutputCharacterW(output, write.text.c_str(), DWORD(write.text.size()),
                                         COORD{write.x, write.y}, &written);
        const ScriptedConsole console = scripted_console();
        EXPECT_EQ(std::u16string(console.characters.begin(), console.characters.end()), c.cells) << c.name;
        EXPECT_EQ(written, c.last_written) << c.name;
        EXPECT_EQ(console.attributes, std::vector<uint16_t>(8, 0x1E)) << c.name;
    }
}

TEST(ScriptedRun, ClientAreaWithoutPixelsIsResizedAndDrawnWithoutTouchingItsBitmap) {
    ScriptedConfig config;
    config.client_width = 64;
    config.client_height = 48;
    scripted_start(config);
    HWND window = window_open();
    HDC dc = GetDC(window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const uint32_t picture[4] = {0x00112233, 0x00112233, 0x00112233, 0x00112233};
    const RECT whole{0, 0, 64, 48};
    const int32_t sizes[][2] = {{0, 48}, {64, 0}, {0, 0}, {50, 50}, {30, 0}, {20, 10}};
    for (const auto& size : sizes) {
        scripted_resize(scripted_at_pass(scripted_pass()), size[0], size[1]);
        pump_key_downs(window);
        EXPECT_EQ(scripted_client().width, size[0]);
        EXPECT_EQ(scripted_client().height, size[1]);
        FillRect(dc, &whole, GetSysColorBrush(COLOR_BACKGROUND));
        StretchDIBits(dc, 0, 0, 64, 48, 0, 0, 2, 2, picture, &info, DIB_RGB_COLORS, SRCCOPY);
    }
    EXPECT_EQ(scripted_pixel(19, 9), 0x00112233u);
    ReleaseDC(window, dc);
}

TEST(ScriptedRun, SameScriptGivesSamePixelsAndCalls) {
    auto first = run_script();
    auto second = run_script();
    EXPECT_EQ(first, second);
    EXPECT_EQ(scripted_client().width, 20);
    EXPECT_EQ(scripted_pixel(2, 7), 0x00112233u);
}

TEST(ScriptedRun, PngExportHoldsTheClientBitmap) {
    run_script();
    std::string path = ::testing::TempDir() + "novra_scripted_test.png";
    ASSERT_TRUE(scripted_write_png(path.c_str()));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    EXPECT_EQ(image.width, 20u);
    EXPECT_EQ(image.height, 10u);
    size_t at = (7 * 20 + 2) * 3;
    EXPECT_EQ(rgb[at], 0x11);
    EXPECT_EQ(rgb[at + 1], 0x22);
    EXPECT_EQ(rgb[at + 2], 0x33);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace novra

namespace novra {
namespace {

std::vector<StretchedPicture> handed;  // what a driver that scales was given

// The blit works each source column out once per call and copies repeated rows; every client pixel
// must still be the one the nearest-neighbour rule picks, also for mirrored, clipped and partly
// outside source rectangles.
TEST(ScriptedStretch, EveryPixelFollowsTheNearestNeighbourRule) {
    ScriptedConfig config;
    config.client_width = 37;
    config.client_height = 29;
    config.record_calls = false;
    scripted_start(config);
    HWND window = window_open();
    HDC dc = GetDC(window);

    constexpr int image_width = 7, image_height = 5;
    uint32_t image[image_width * image_height];
    for (uint32_t i = 0; i < std::size(image); ++i)
        image[i] = 0x010101 * (i + 1);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image_width;
    info.bmiHeader.biHeight = image_height;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    // Source index of destination offset d of an extent of n showing s source units (all nonzero).
    auto source_of = [](int64_t d, int64_t n, int64_t s) {
        int64_t top = (2 * d + 1) * s, bottom = 2 * n;
        if (bottom < 0) top = -top, bottom = -bottom;
        return top >= 0 ? top / bottom : -((-top + bottom - 1) / bottom);
    };
    std::mt19937 random(7);
    auto pick = [&](int low, int high) { return low + int(random() % uint32_t(high - low + 1)); };
    for (int round = 0; round < 300; ++round) {
        const RECT client{0, 0, 37, 29};
        FillRect(dc, &client, GetSysColorBrush(COLOR_BACKGROUND));
        std::vector<uint32_t> expected(37 * 29, scripted_pixel(0, 0));
        const int dx = pick(-10, 30), dy = pick(-10, 25), dw = pick(-40, 40) | 1, dh = pick(-30, 30) | 1;
        const int sx = pick(-2, 6), sy = pick(-2, 4), sw = pick(-8, 8) | 1, sh = pick(-6, 6) | 1;
        StretchDIBits(dc, dx, dy, dw, dh, sx, sy, sw, sh, image, &info, DIB_RGB_COLORS, SRCCOPY);
        const int64_t src_top = int64_t(image_height) - sy - sh;  // bottom-up source origin
        for (int y = std::max(0, std::min(dy, dy + dh)); y < std::min(29, std::max(dy, dy + dh)); ++y)
            for (int x = std::max(0, std::min(dx, dx + dw)); x < std::min(37, std::max(dx, dx + dw)); ++x) {
                const int64_t row = src_top + source_of(y - dy, dh, sh);
                const int64_t column = sx + source_of(x - dx, dw, sw);
                if (row < 0 || row >= image_height || column < 0 || column >= image_width) continue;
                expected[size_t(y * 37 + x)] = image[(image_height - 1 - row) * image_width + column];
            }
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(scripted_pixel(x, y), expected[size_t(y * 37 + x)])
                    << "round " << round << " at " << x << "," << y << " dest " << dx << "," << dy << " "
                    << dw << "x" << dh << " source " << sx << "," << sy << " " << sw << "x" << sh;

        // A driver that scales on its own gets the same call as a picture and two rectangles: drawn by the
        // same rule, they give the same pixels. A source reaching outside the picture is refused instead.
        handed.clear();
        sim_driver().picture_stretched = [](const StretchedPicture& picture) { handed.push_back(picture); };
        const int result =
            StretchDIBits(dc, dx, dy, dw, dh, sx, sy, sw, sh, image, &info, DIB_RGB_COLORS, SRCCOPY);
        sim_driver().picture_stretched = nullptr;
        const bool inside = std::min(sx, sx + sw) >= 0 && std::max(sx, sx + sw) <= image_width &&
                            std::min(src_top, src_top + sh) >= 0 &&
                            std::max(src_top, src_top + sh) <= image_height;
        ASSERT_EQ(handed.size(), inside ? 1u : 0u) << "round " << round;
        if (!inside) {
            EXPECT_EQ(result, 0);
            continue;
        }
        const StretchedPicture& p = handed[0];
        ASSERT_EQ(p.bits, image);
        for (int y = std::max(0, std::min(p.dest_y, p.dest_y + p.dest_height));
             y < std::min(29, std::max(p.dest_y, p.dest_y + p.dest_height)); ++y)
            for (int x = std::max(0, std::min(p.dest_x, p.dest_x + p.dest_width));
                 x < std::min(37, std::max(p.dest_x, p.dest_x + p.dest_width)); ++x) {
                const int64_t row = p.src_y + source_of(y - p.dest_y, p.dest_height, p.src_height);
                const int64_t column = p.src_x + source_of(x - p.dest_x, p.dest_width, p.src_width);
                const int64_t memory_row = p.bottom_up ? p.image_height - 1 - row : row;
                ASSERT_EQ(p.bits[memory_row * p.image_width + column], expected[size_t(y * 37 + x)])
                    << "round " << round << " at " << x << "," << y;
            }
    }
}

// With a driver that scales, the simulation keeps no client bitmap, so a window made larger costs no
// memory; the background fill and GetPixel still answer.
TEST(ScriptedStretch, ADriverThatScalesKeepsNoClientBitmapAtAnySize) {
    scripted_start();
    sim_driver().picture_stretched = [](const StretchedPicture& picture) { handed.push_back(picture); };
    HWND window = window_open();
    HDC dc = GetDC(window);
    for (const auto& [width, height] : {std::pair{800, 600}, std::pair{3840, 2160}, std::pair{1, 1}}) {
        sim_resize(width, height);  // carried out when the pump reaches it
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        ASSERT_EQ(sim_window().client_width, width);
        EXPECT_TRUE(sim_window().pixels.empty()) << width << "x" << height;
        const RECT client{0, 0, width, height};
        EXPECT_NE(FillRect(dc, &client, GetSysColorBrush(COLOR_BACKGROUND)), 0);
        EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    }
    sim_driver().picture_stretched = nullptr;
}

}  // namespace
}  // namespace novra
