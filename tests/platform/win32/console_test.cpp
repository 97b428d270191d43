// The console screen buffer: writes that wrap and stop at the buffer's end, the cursor's bounds, and
// the scroll call's clip and fill rules, checked through Win32 calls only.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/platform/win32/fixture.h"

namespace novra {
namespace {

struct ConsoleFixture {
    HANDLE output;
    HANDLE input;
    SHORT width;
    SHORT height;
};

ConsoleFixture console_open() {
    fixture_start(320, 240, 10, 4);
    EXPECT_TRUE(AllocConsole());
    EXPECT_TRUE(fixture_console_allocated());
    ConsoleFixture console{GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_INPUT_HANDLE), 0, 0};
    CONSOLE_SCREEN_BUFFER_INFO info{};
    EXPECT_TRUE(GetConsoleScreenBufferInfo(console.output, &info));
    console.width = info.dwSize.X;
    console.height = info.dwSize.Y;
    return console;
}

WideText read_cells(const ConsoleFixture& console, SHORT x, SHORT y, DWORD count) {
    WideText text(count, WCHAR('?'));
    DWORD read = 0;
    EXPECT_TRUE(ReadConsoleOutputCharacterW(console.output, text.data(), count, COORD{x, y}, &read));
    text.resize(read);
    return text;
}

std::vector<WORD> read_attributes(const ConsoleFixture& console, SHORT x, SHORT y, DWORD count) {
    std::vector<WORD> attributes(count);
    DWORD read = 0;
    EXPECT_TRUE(ReadConsoleOutputAttribute(console.output, attributes.data(), count, COORD{x, y}, &read));
    attributes.resize(read);
    return attributes;
}

// Writes a distinct character into every cell: 'a' + the cell's index.
void fill_distinct(const ConsoleFixture& console) {
    WideText text;
    for (int i = 0; i < console.width * console.height; ++i)
        text.push_back(WCHAR(WCHAR('a') + i));
    DWORD written = 0;
    ASSERT_TRUE(
        WriteConsoleOutputCharacterW(console.output, text.data(), DWORD(text.size()), COORD{0, 0}, &written));
}

WideText all_cells(const ConsoleFixture& console) {
    return read_cells(console, 0, 0, DWORD(console.width * console.height));
}

bool inside_buffer(const ConsoleFixture& console, SHORT x, SHORT y) {
    return x >= 0 && y >= 0 && x < console.width && y < console.height;
}

// Whether Wine scrolls as Windows documents it. Windows clips a scroll or destination rectangle that
// reaches past the buffer (its own clear-screen example scrolls the whole buffer to a negative
// origin) and changes nothing outside the clip rectangle. Wine refuses with ERROR_INVALID_PARAMETER,
// changing nothing, when the destination origin or any part of the scroll rectangle lies outside the
// buffer or the clip rectangle begins past its right or bottom edge, and an upside-down clip rectangle
// above the buffer did not stop it from filling. Such calls are checked on our layer only.
bool wine_scrolls_as_documented(const ConsoleFixture& console, SMALL_RECT scroll, const SMALL_RECT* clip,
                                COORD destination) {
    bool clip_inside = !clip || (clip->Left <= clip->Right && clip->Top <= clip->Bottom &&
                                 inside_buffer(console, clip->Left, clip->Top) &&
                                 inside_buffer(console, clip->Right, clip->Bottom));
    return inside_buffer(console, destination.X, destination.Y) &&
           inside_buffer(console, scroll.Left, scroll.Top) &&
           inside_buffer(console, scroll.Right, scroll.Bottom) && clip_inside;
}

TEST(Console, NewConsoleReportsItsBufferAndCursorAtOrigin) {
    ConsoleFixture console = console_open();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(console.output, &info));
    EXPECT_EQ(console.width, 10);
    EXPECT_EQ(console.height, 4);
    EXPECT_EQ(info.dwCursorPosition.X, 0);
    EXPECT_EQ(info.dwCursorPosition.Y, 0);
    EXPECT_LE(info.srWindow.Right, info.dwSize.X - 1);
    EXPECT_LE(info.srWindow.Bottom, info.dwSize.Y - 1);
}

TEST(Console, WriteWrapsAtBufferWidthAndLeavesAttributes) {
    ConsoleFixture console = console_open();
    // Rows 0 and 1 first take an attribute that is not the console's default, from the fill of a scroll
    // that moves them down; a write that set the default would then show.
    const SMALL_RECT top_rows{0, 0, SHORT(console.width - 1), 1};
    CHAR_INFO fill{};
    fill.Char.UnicodeChar = WCHAR('.');
    fill.Attributes = FOREGROUND_RED | BACKGROUND_BLUE;
    ASSERT_TRUE(ScrollConsoleScreenBufferW(console.output, &top_rows, nullptr, COORD{0, 2}, &fill));
    std::vector<WORD> before = read_attributes(console, 0, 0, DWORD(console.width * 2));
    ASSERT_EQ(before, std::vector<WORD>(size_t(console.width * 2), WORD(FOREGROUND_RED | BACKGROUND_BLUE)));
    WideText text = TEXT("abcdefgh");
    DWORD written = 0;
    COORD start{SHORT(console.width - 3), 0};
    ASSERT_TRUE(
        WriteConsoleOutputCharacterW(console.output, text.data(), DWORD(text.size()), start, &written));
    EXPECT_EQ(written, text.size());
    EXPECT_EQ(read_cells(console, start.X, 0, 3), TEXT("abc"));
    EXPECT_EQ(read_cells(console, 0, 1, 5), TEXT("defgh"));
    EXPECT_EQ(read_attributes(console, 0, 0, DWORD(console.width * 2)), before);
}

TEST(Console, WriteStopsAtBufferEndAndReturnsCountWritten) {
    ConsoleFixture console = console_open();
    WideText text(300, WCHAR('x'));
    DWORD written = 0;
    COORD start{SHORT(console.width - 2), SHORT(console.height - 1)};
    ASSERT_TRUE(
        WriteConsoleOutputCharacterW(console.output, text.data(), DWORD(text.size()), start, &written));
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(read_cells(console, start.X, start.Y, 10), TEXT("xx"));
    EXPECT_EQ(read_cells(console, 0, SHORT(console.height - 1), 1), TEXT(" "));
}

TEST(Console, CellCallsStartingOutsideTheBufferSucceedAndTouchNothing) {
    ConsoleFixture console = console_open();
    fill_distinct(console);
    WideText before = all_cells(console);
    const COORD outside[] = {{-1, 0}, {0, -1}, {console.width, 0}, {0, console.height}};
    for (COORD coord : outside) {
        // Writes and reads go up to the end of the buffer, which leaves nothing from such a start.
        DWORD count = 99;
        EXPECT_TRUE(WriteConsoleOutputCharacterW(console.output, TEXT("a"), 1, coord, &count));
        EXPECT_EQ(count, 0u);
        WCHAR cell = 0;
        count = 99;
        EXPECT_TRUE(ReadConsoleOutputCharacterW(console.output, &cell, 1, coord, &count));
        EXPECT_EQ(count, 0u);
        WORD attribute = 0;
        count = 99;
        EXPECT_TRUE(ReadConsoleOutputAttribute(console.output, &attribute, 1, coord, &count));
        EXPECT_EQ(count, 0u);
        EXPECT_FALSE(SetConsoleCursorPosition(console.output, coord)) << coord.X << "," << coord.Y;
    }
    EXPECT_EQ(all_cells(console), before);
}

TEST(Console, CursorMovesAnywhereInsideTheBufferAndNowhereElse) {
    ConsoleFixture console = console_open();
    struct Case {
        COORD position;
        bool accepted;
    };
    const Case cases[] = {
        {{0, 0}, true},
        {{SHORT(console.width - 1), SHORT(console.height - 1)}, true},
        {{console.width, 0}, false},
        {{0, console.height}, false},
        {{-1, 2}, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetConsoleCursorPosition(console.output, COORD{1, 1}));
        EXPECT_EQ(bool(SetConsoleCursorPosition(console.output, c.position)), c.accepted);
        CONSOLE_SCREEN_BUFFER_INFO info{};
        ASSERT_TRUE(GetConsoleScreenBufferInfo(console.output, &info));
        COORD expected = c.accepted ? c.position : COORD{1, 1};
        EXPECT_EQ(info.dwCursorPosition.X, expected.X);
        EXPECT_EQ(info.dwCursorPosition.Y, expected.Y);
    }
}

TEST(Console, ScrollingRowsUpByTwoEitherWayMovesThemAndFillsTheBottom) {
    ConsoleFixture console = console_open();
    struct Case {
        const char* name;
        SMALL_RECT scroll;
        SMALL_RECT clip;
        COORD destination;
    };
    const SMALL_RECT one_past{0, 0, console.width, console.height};
    const SMALL_RECT buffer{0, 0, SHORT(console.width - 1), SHORT(console.height - 1)};
    const Case cases[] = {
        // The buffer's own rectangle reaching one column and one row past it, moved off the top.
        {"whole buffer one past its edges", one_past, one_past, {0, -2}},
        // The same move kept inside the buffer: the rows from the third on, to the origin.
        {"lower rows to the origin", {0, 2, buffer.Right, buffer.Bottom}, buffer, {0, 0}},
    };
    for (const Case& c : cases) {
        fill_distinct(console);
        WideText before = all_cells(console);
        CHAR_INFO fill{};
        fill.Char.UnicodeChar = WCHAR('.');
        fill.Attributes = FOREGROUND_GREEN;
        BOOL scrolled = ScrollConsoleScreenBufferW(console.output, &c.scroll, &c.clip, c.destination, &fill);
        if (fixture_wine() && !wine_scrolls_as_documented(console, c.scroll, &c.clip, c.destination)) {
            EXPECT_FALSE(scrolled) << c.name;
            EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << c.name;
            EXPECT_EQ(all_cells(console), before) << c.name;
            continue;
        }
        ASSERT_TRUE(scrolled) << c.name;
        WideText after = all_cells(console);
        size_t row = size_t(console.width);
        EXPECT_EQ(after.substr(0, row * (console.height - 2)), before.substr(row * 2)) << c.name;
        EXPECT_EQ(after.substr(row * (console.height - 2)), WideText(row * 2, WCHAR('.'))) << c.name;
        EXPECT_EQ(read_attributes(console, 0, SHORT(console.height - 1), 1)[0], FOREGROUND_GREEN) << c.name;
    }
}

TEST(Console, ScrollMovingRowsDownFillsOnlyTheRowsLeftBehind) {
    ConsoleFixture console = console_open();
    fill_distinct(console);
    WideText before = all_cells(console);
    SMALL_RECT rows{0, 0, SHORT(console.width - 1), 0};
    CHAR_INFO fill{};
    fill.Char.UnicodeChar = WCHAR('-');
    ASSERT_TRUE(ScrollConsoleScreenBufferW(console.output, &rows, nullptr, COORD{0, 2}, &fill));
    size_t row = size_t(console.width);
    EXPECT_EQ(read_cells(console, 0, 0, DWORD(row)), WideText(row, WCHAR('-')));
    EXPECT_EQ(read_cells(console, 0, 1, DWORD(row)), before.substr(row, row));
    EXPECT_EQ(read_cells(console, 0, 2, DWORD(row)), before.substr(0, row));
    EXPECT_EQ(read_cells(console, 0, 3, DWORD(row)), before.substr(3 * row, row));
}

TEST(Console, ScrollLeavesCellsOutsideTheClipUnchanged) {
    ConsoleFixture console = console_open();
    fill_distinct(console);
    WideText before = all_cells(console);
    SMALL_RECT scroll{0, 1, 5, 2};
    SMALL_RECT clip{0, 0, 2, 3};
    CHAR_INFO fill{};
    fill.Char.UnicodeChar = WCHAR('#');
    ASSERT_TRUE(ScrollConsoleScreenBufferW(console.output, &scroll, &clip, COORD{1, 0}, &fill));
    WideText after = all_cells(console);
    for (SHORT y = 0; y < console.height; ++y) {
        for (SHORT x = 3; x < console.width; ++x) {
            size_t at = size_t(y) * size_t(console.width) + size_t(x);
            EXPECT_EQ(after[at], before[at]) << x << "," << y;
        }
    }
    // Row 0, columns 1-2 receive source row 1, columns 0-1; the source's column 0 uncovered by the
    // destination lies inside the clip and is filled.
    size_t width = size_t(console.width);
    EXPECT_EQ(after[1], before[width + 0]);
    EXPECT_EQ(after[2], before[width + 1]);
    EXPECT_EQ(after[2 * width + 0], WCHAR('#'));
}

// Per cell, what the scroll promises: a cell inside the clip (and the buffer) whose source cell lies
// in the scroll rectangle (and the buffer) receives it; another cell of the scroll rectangle inside
// the clip is filled; every other cell keeps its value.
WideText scroll_model(const WideText& before, int width, int height, SMALL_RECT scroll,
                      const SMALL_RECT* clip, COORD destination, WCHAR fill) {
    WideText after = before;
    auto inside = [](int x, int y, int left, int top, int right, int bottom) {
        return x >= left && x <= right && y >= top && y <= bottom;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool in_clip = !clip || inside(x, y, clip->Left, clip->Top, clip->Right, clip->Bottom);
            if (!in_clip) continue;
            int from_x = x - (destination.X - scroll.Left), from_y = y - (destination.Y - scroll.Top);
            bool source_ok = inside(from_x, from_y, scroll.Left, scroll.Top, scroll.Right, scroll.Bottom) &&
                             inside(from_x, from_y, 0, 0, width - 1, height - 1);
            if (source_ok) {
                after[size_t(y * width + x)] = before[size_t(from_y * width + from_x)];
            } else if (inside(x, y, scroll.Left, scroll.Top, scroll.Right, scroll.Bottom)) {
                after[size_t(y * width + x)] = fill;
            }
        }
    }
    return after;
}

std::string rect_text(SMALL_RECT rect) {
    return std::to_string(rect.Left) + "," + std::to_string(rect.Top) + "-" + std::to_string(rect.Right) +
           "," + std::to_string(rect.Bottom);
}

TEST(Console, ScrollMatchesCellModelForRandomRectangles) {
    ConsoleFixture console = console_open();
    std::mt19937 random(7);
    auto coordinate = [&](int limit) {
        return SHORT(std::uniform_int_distribution<int>(-2, limit + 1)(random));
    };
    int compared = 0;
    for (int round = 0; round < 20000 && compared < 300; ++round) {
        SHORT left = coordinate(console.width), top = coordinate(console.height);
        SMALL_RECT scroll{left, top, SHORT(left + coordinate(4)), SHORT(top + coordinate(3))};
        if (scroll.Right < scroll.Left || scroll.Bottom < scroll.Top) continue;
        if (scroll.Right < 0 || scroll.Bottom < 0 || scroll.Left >= console.width ||
            scroll.Top >= console.height)
            continue;
        SHORT clip_left = coordinate(console.width), clip_top = coordinate(console.height);
        SMALL_RECT clip{clip_left, clip_top, SHORT(clip_left + coordinate(6)),
                        SHORT(clip_top + coordinate(4))};
        bool with_clip = round % 2 == 0;
        COORD destination{coordinate(console.width), coordinate(console.height)};
        CHAR_INFO fill{};
        fill.Char.UnicodeChar = WCHAR('*');
        std::string call = "scroll " + rect_text(scroll) + (with_clip ? " clip " + rect_text(clip) : "") +
                           " to " + std::to_string(destination.X) + "," + std::to_string(destination.Y);
        if (fixture_wine() &&
            !wine_scrolls_as_documented(console, scroll, with_clip ? &clip : nullptr, destination))
            continue;
        ++compared;
        fill_distinct(console);
        WideText before = all_cells(console);
        ASSERT_TRUE(ScrollConsoleScreenBufferW(console.output, &scroll, with_clip ? &clip : nullptr,
                                               destination, &fill))
            << call;
        ASSERT_EQ(all_cells(console), scroll_model(before, console.width, console.height, scroll,
                                                   with_clip ? &clip : nullptr, destination, WCHAR('*')))
            << call;
    }
    EXPECT_GE(compared, 100);
}

TEST(Console, InputQueueKeepsOrderPeekLeavesRecordsReadTakesUpToCount) {
    ConsoleFixture console = console_open();
    INPUT_RECORD records[5]{};
    for (int i = 0; i < 5; ++i) {
        records[i].EventType = KEY_EVENT;
        records[i].Event.KeyEvent.bKeyDown = TRUE;
        records[i].Event.KeyEvent.wRepeatCount = 1;
        records[i].Event.KeyEvent.uChar.UnicodeChar = WCHAR(WCHAR('a') + i);
    }
    DWORD count = 0;
    INPUT_RECORD got[8]{};
    ASSERT_TRUE(PeekConsoleInputW(console.input, got, 1, &count));
    EXPECT_EQ(count, 0u);
    ASSERT_TRUE(WriteConsoleInputW(console.input, records, 5, &count));
    EXPECT_EQ(count, 5u);
    ASSERT_TRUE(PeekConsoleInputW(console.input, got, 1, &count));
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(got[0].Event.KeyEvent.uChar.UnicodeChar, WCHAR('a'));
    ASSERT_TRUE(ReadConsoleInputW(console.input, got, 3, &count));
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(got[2].Event.KeyEvent.uChar.UnicodeChar, WCHAR('c'));
    ASSERT_TRUE(ReadConsoleInputW(console.input, got, 8, &count));
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(got[0].Event.KeyEvent.uChar.UnicodeChar, WCHAR('d'));
    EXPECT_EQ(got[1].Event.KeyEvent.uChar.UnicodeChar, WCHAR('e'));
}

TEST(Console, ClosedHandlesRefuseCallsAndFreeingWithoutAConsoleSucceeds) {
    ConsoleFixture console = console_open();
    EXPECT_FALSE(AllocConsole());
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    ASSERT_TRUE(CloseHandle(console.output));
    CONSOLE_SCREEN_BUFFER_INFO info{};
    EXPECT_FALSE(GetConsoleScreenBufferInfo(console.output, &info));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(console.output));
    ASSERT_TRUE(CloseHandle(console.input));
    ASSERT_TRUE(FreeConsole());
    EXPECT_TRUE(FreeConsole());  // documented: it succeeds without a console too
    ASSERT_TRUE(AllocConsole());
}

}  // namespace
}  // namespace novra
