// Console cells to terminal escapes, and taking and giving back a terminal, on a pseudo-terminal.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "platform/desktop/terminal.h"
#include "platform/desktop/terminal_render.h"

namespace novra {
namespace {

SimConsole console_of(int16_t width, int16_t height) {
    SimConsole console{};
    console.attached = true;
    console.width = width;
    console.height = height;
    console.cells.assign(size_t(width) * size_t(height), ConsoleCell{u' ', 7});
    return console;
}

void put(SimConsole& console, int16_t x, int16_t y, std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i)
        console.cells[size_t(y) * size_t(console.width) + size_t(x) + i].ch = text[i];
}

TEST(TerminalRender, FirstRenderClearsAndDrawsThenOnlyChangesFollow) {
    SimConsole console = console_of(8, 3);
    put(console, 0, 0, u"hi");
    console.title = u"T";
    TerminalScreen screen = terminal_screen(8, 3);
    std::string first = terminal_render(screen, console);
    EXPECT_NE(first.find("\x1b[2J"), std::string::npos);
    EXPECT_NE(first.find("\x1b[1;1H\x1b[0;37;40mhi"), std::string::npos);
    EXPECT_NE(first.find("\x1b]2;T\x07"), std::string::npos);

    put(console, 3, 1, u"x");
    console.cursor = COORD{4, 1};
    EXPECT_EQ(terminal_render(screen, console), "\x1b[2;4Hx\x1b[2;5H");
    EXPECT_EQ(terminal_render(screen, console), "\x1b[2;5H");  // nothing changed but the cursor's place
}

TEST(TerminalRender, ACellLeftAsItWasIsSkippedAndTheNextChangedCellPlacedAnew) {
    SimConsole console = console_of(4, 1);
    put(console, 0, 0, u"abc");
    TerminalScreen screen = terminal_screen(4, 1);
    terminal_render(screen, console);
    put(console, 0, 0, u"x");
    put(console, 2, 0, u"z");
    EXPECT_EQ(terminal_render(screen, console), "\x1b[1;1Hx\x1b[1;3Hz\x1b[1;1H");
}

TEST(TerminalRender, ControlCharactersShowAsGlyphsAndNeverReachTheTerminal) {
    SimConsole console = console_of(6, 1);
    TerminalScreen screen = terminal_screen(6, 1);
    terminal_render(screen, console);
    put(console, 0, 0, std::u16string{u'a', 0x0A, 0x1B, 0x07, 0x7F, 0x9B});
    EXPECT_EQ(terminal_render(screen, console),
              "\x1b[1;1Ha\u25D9\x1b[1;3H\u2190\x1b[1;4H\u2022\x1b[1;5H\u2302"
              "\x1b[1;6H\u00A2\x1b[1;1H");
}

TEST(TerminalRender, ZerosShowAsSpacesAndSurrogatePairsAsOneCharacter) {
    SimConsole console = console_of(12, 1);
    TerminalScreen screen = terminal_screen(12, 1);
    terminal_render(screen, console);
    DWORD written = 0;
    sim_console() = console;
    sim_console().output_open = true;
    sim_console().std_handles = true;
    const std::u16string text{u'a', 0, char16_t(0xD83D), char16_t(0xDE00), char16_t(0xDC00)};
    WriteConsoleOutputCharacterW(GetStdHandle(STD_OUTPUT_HANDLE), text.c_str(), DWORD(text.size()),
                                 COORD{0, 0}, &written);
    std::string out = terminal_render(screen, sim_console());
    EXPECT_NE(out.find("a"), std::string::npos);
    EXPECT_NE(out.find("  \x1b[1;3H\xF0\x9F\x98\x80"),
              std::string::npos);                            // both cells cleared, then the glyph
    EXPECT_NE(out.find("\xEF\xBF\xBD"), std::string::npos);  // the lone low surrogate
    EXPECT_EQ(out.find("\xED"), std::string::npos);          // no surrogate is ever encoded on its own
}

TEST(TerminalRender, TheViewEndsAtTheCursorsRowAndIsClippedAtTheTerminalsWidth) {
    SimConsole console = console_of(6, 10);
    put(console, 0, 7, u"row7ab");
    TerminalScreen screen = terminal_screen(4, 3);
    console.cursor = COORD{0, 8};
    std::string out = terminal_render(screen, console);
    EXPECT_EQ(screen.top, 6);
    EXPECT_EQ(console.window_top, 6);
    EXPECT_NE(out.find("\x1b[2;1Hrow7"), std::string::npos);
    EXPECT_EQ(out.find("ab"), std::string::npos);  // past the terminal's width: never wrapped
    console.cursor = COORD{5, 2};                  // a cursor past the width is hidden
    out = terminal_render(screen, console);
    EXPECT_EQ(screen.top, 0);
    EXPECT_NE(out.find("\x1b[?25l"), std::string::npos);
}

TEST(TerminalRender, AttributesBecomeAnsiColours) {
    SimConsole console = console_of(2, 1);
    console.cells[0] = ConsoleCell{u'r', FOREGROUND_RED | FOREGROUND_INTENSITY | BACKGROUND_BLUE};
    TerminalScreen screen = terminal_screen(2, 1);
    EXPECT_NE(terminal_render(screen, console).find("\x1b[0;91;44mr"), std::string::npos);
}

std::string read_available(int fd) {
    std::string bytes;
    char chunk[512];
    struct pollfd ready {
        fd, POLLIN, 0
    };
    while (poll(&ready, 1, 100) > 0) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0) break;
        bytes.append(chunk, size_t(got));
    }
    return bytes;
}

TEST(Terminal, TakeMakesRawModeAndRestoreGivesTheTerminalBack) {
    int master = -1, slave = -1;
    struct winsize size {};
    size.ws_col = 33;
    size.ws_row = 7;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
    struct termios before {};
    ASSERT_EQ(tcgetattr(slave, &before), 0);
    ASSERT_TRUE(before.c_lflag & ECHO);

    int16_t columns = 0, rows = 0;
    ASSERT_TRUE(terminal_size(slave, columns, rows));
    EXPECT_EQ(columns, 33);
    EXPECT_EQ(rows, 7);
    ASSERT_TRUE(terminal_take(slave, slave, true));
    struct termios raw {};
    ASSERT_EQ(tcgetattr(slave, &raw), 0);
    EXPECT_FALSE(raw.c_lflag & ECHO);
    EXPECT_FALSE(raw.c_lflag & ICANON);
    EXPECT_TRUE(raw.c_lflag & ISIG);  // Ctrl+C still ends the program
    EXPECT_NE(read_available(master).find("\x1b[?1049h"), std::string::npos);

    ASSERT_EQ(write(master, "ab\x1b[A", 5), 5);
    std::string typed;
    for (int tries = 0; tries < 50 && typed.size() < 5; ++tries) {
        typed += terminal_read(slave);
        if (typed.size() < 5) usleep(2000);
    }
    EXPECT_EQ(typed, "ab\x1b[A");
    EXPECT_EQ(read_available(master), "");  // typed keys are not echoed

    SimConsole console = console_of(columns, rows);
    put(console, 0, 0, u"ok");
    TerminalScreen screen = terminal_screen(columns, rows);
    terminal_write(slave, terminal_render(screen, console));
    EXPECT_NE(read_available(master).find("ok"), std::string::npos);

    terminal_restore();
    struct termios after {};
    ASSERT_EQ(tcgetattr(slave, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_NE(read_available(master).find("\x1b[?1049l"), std::string::npos);
    terminal_restore();  // a second restore changes nothing
    close(slave);
    close(master);
}

}  // namespace
}  // namespace novra
