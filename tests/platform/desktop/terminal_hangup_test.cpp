// A terminal that goes away under the program: reads find nothing, writes give up, and SIGHUP gives
// the terminal back and ends the program as SIGHUP does. And a program stopped by Ctrl+Z: the terminal
// is given back (title popped) before it stops and taken again when it continues.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/desktop/terminal.h"
#include "platform/desktop/terminal_render.h"

namespace novra {
namespace {

const std::string_view entered = "\x1b[?1049h";
const std::string_view left = "\x1b[?1049l";

// What arrives on `fd` until `wanted` has come, the other side is gone, or nothing comes for 5 s.
std::string read_until(int fd, std::string_view wanted) {
    std::string bytes;
    char chunk[512];
    struct pollfd ready {
        fd, POLLIN, 0
    };
    while (bytes.find(wanted) == std::string::npos && poll(&ready, 1, 5000) > 0) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0) break;
        bytes.append(chunk, size_t(got));
    }
    return bytes;
}

// Forks a child that takes `slave` with the exit guards in place and waits for input, as the program
// does. With `controlling`, the pseudo-terminal is the child's controlling terminal, so its hang-up
// signals the child.
pid_t start_program(int master, int slave, bool controlling) {
    pid_t child = fork();
    if (child != 0) return child;
    alarm(10);  // a child nothing ends dies by SIGALRM, which the test reports
    close(master);
    if (controlling && (setsid() < 0 || ioctl(slave, TIOCSCTTY, 0) != 0)) _exit(2);
    terminal_guard_exits();
    if (!terminal_take(slave, slave, true)) _exit(3);
    for (;;)
        terminal_wait(slave);
}

TEST(Terminal, ClosedTerminalReadsNothingAndWritesReturn) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_TRUE(terminal_take(slave, slave, true));
    EXPECT_NE(read_until(master, entered).find(entered), std::string::npos);
    close(master);

    alarm(10);  // a read, wait or write that blocks ends the test process by SIGALRM
    EXPECT_EQ(terminal_read(slave), "");
    terminal_wait(slave);  // the hang-up counts as something to read
    EXPECT_EQ(terminal_read(slave), "");

    // Far more than a pseudo-terminal buffers: a write still waiting on the terminal would block.
    SimConsole console{};
    console.attached = true;
    console.width = 400;
    console.height = 300;
    console.cells.assign(size_t(console.width) * size_t(console.height), ConsoleCell{u'#', 7});
    TerminalScreen screen = terminal_screen(console.width, console.height);
    terminal_write(slave, terminal_render(screen, console));
    terminal_restore();
    alarm(0);
    EXPECT_FALSE(terminal_taken());
    close(slave);
}

TEST(Terminal, HangUpSignalRestoresTheTerminalAndEndsTheProgramByIt) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    struct termios before {};
    ASSERT_EQ(tcgetattr(slave, &before), 0);

    pid_t child = start_program(master, slave, false);
    ASSERT_GT(child, 0);
    EXPECT_NE(read_until(master, entered).find(entered), std::string::npos);
    struct termios raw {};
    ASSERT_EQ(tcgetattr(slave, &raw), 0);
    EXPECT_FALSE(raw.c_lflag & ICANON);  // taken before the signal comes

    kill(child, SIGHUP);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << "status " << status;
    EXPECT_NE(read_until(master, left).find(left), std::string::npos);
    struct termios after {};
    ASSERT_EQ(tcgetattr(slave, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_cc[VMIN], before.c_cc[VMIN]);
    EXPECT_EQ(after.c_cc[VSUSP], before.c_cc[VSUSP]);
    close(slave);
    close(master);
}

TEST(Terminal, ClosingTheControllingTerminalEndsTheProgramBySighup) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    pid_t child = start_program(master, slave, true);
    ASSERT_GT(child, 0);
    close(slave);
    EXPECT_NE(read_until(master, entered).find(entered), std::string::npos);

    close(master);  // the hang-up: the kernel signals the child's session
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << "status " << status;
}

// The stat state letter of process `pid` ('T' when stopped).
char process_state(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t end = line.rfind(')');
    return end == std::string::npos || end + 2 >= line.size() ? '?' : line[end + 2];
}

bool wait_for_state(pid_t pid, char state) {
    for (int tries = 0; tries < 500; ++tries) {
        if (process_state(pid) == state) return true;
        usleep(10'000);
    }
    return false;
}

TEST(Terminal, CtrlZGivesTheTerminalBackBeforeStoppingAndContinueTakesItAgain) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    struct termios before {};
    ASSERT_EQ(tcgetattr(slave, &before), 0);
    int pid_pipe[2];
    ASSERT_EQ(pipe(pid_pipe), 0);
    // A session on the pseudo-terminal whose foreground job is the program, in a process group of its
    // own whose parent is in the same session, as under a shell: only such a job may stop.
    pid_t session = fork();
    ASSERT_GE(session, 0);
    if (session == 0) {
        alarm(10);
        close(master);
        if (setsid() < 0 || ioctl(slave, TIOCSCTTY, 0) != 0) _exit(2);
        pid_t program = fork();
        if (program == 0) {
            setpgid(0, 0);
            std::signal(SIGTTOU, SIG_IGN);
            tcsetpgrp(slave, getpid());
            std::signal(SIGTTOU, SIG_DFL);
            terminal_guard_exits();
            if (!terminal_take(slave, slave, true)) _exit(3);
            for (;;) {
                terminal_wait(slave, 10);
                terminal_read(slave);
                if (terminal_continued()) terminal_take_again();
            }
        }
        if (write(pid_pipe[1], &program, sizeof program) != sizeof program) _exit(4);
        int status = 0;
        while (waitpid(program, &status, 0) < 0 && errno == EINTR) {
        }
        _exit(0);
    }
    pid_t program = 0;
    ASSERT_EQ(read(pid_pipe[0], &program, sizeof program), ssize_t(sizeof program));
    const std::string_view title_pushed = "\x1b[22;0t", title_popped = "\x1b[23;0t";
    EXPECT_NE(read_until(master, entered).find(title_pushed), std::string::npos);

    ASSERT_EQ(write(master, "\x1a", 1), 1);  // Ctrl+Z
    EXPECT_NE(read_until(master, title_popped).find(left), std::string::npos);
    EXPECT_TRUE(wait_for_state(program, 'T'));
    struct termios stopped {};
    ASSERT_EQ(tcgetattr(slave, &stopped), 0);
    EXPECT_EQ(stopped.c_lflag, before.c_lflag);  // echo and line editing back for the shell

    kill(program, SIGCONT);
    EXPECT_NE(read_until(master, entered).find(title_pushed), std::string::npos);
    struct termios continued {};
    ASSERT_EQ(tcgetattr(slave, &continued), 0);
    EXPECT_FALSE(continued.c_lflag & ECHO);
    EXPECT_FALSE(continued.c_lflag & ICANON);

    kill(program, SIGTERM);
    EXPECT_NE(read_until(master, title_popped).find(left), std::string::npos);
    int status = 0;
    ASSERT_EQ(waitpid(session, &status, 0), session);
    close(pid_pipe[0]);
    close(pid_pipe[1]);
    close(slave);
    close(master);
}

// A terminal resized under the program (TIOCSWINSZ, as a terminal window does when dragged): SIGWINCH is
// noted once per change, and the size read then is the new one, which the driver redraws the view at.
TEST(Terminal, ResizingTheTerminalIsNotedOnceWithItsNewSize) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(10);
        close(master);
        if (setsid() < 0 || ioctl(slave, TIOCSCTTY, 0) != 0) _exit(2);
        terminal_guard_exits();
        if (!terminal_take(slave, slave, true)) _exit(3);
        terminal_write(slave, "ready\n");
        for (;;) {
            terminal_wait(slave, 10);
            int16_t columns = 0, rows = 0;
            if (terminal_resized() && terminal_size(slave, columns, rows))
                terminal_write(slave, "size " + std::to_string(columns) + " " + std::to_string(rows) + "\n");
        }
    }
    ASSERT_NE(read_until(master, "ready").find("ready"), std::string::npos);
    const auto resize = [&](unsigned short columns, unsigned short rows) {
        struct winsize size {};
        size.ws_col = columns;
        size.ws_row = rows;
        return ioctl(master, TIOCSWINSZ, &size) == 0;
    };
    ASSERT_TRUE(resize(100, 40));
    std::string seen = read_until(master, "size 100 40");
    ASSERT_TRUE(resize(30, 10));
    seen += read_until(master, "size 30 10");
    seen += read_until(master, "never");  // anything more it says within the wait
    EXPECT_NE(seen.find("size 100 40"), std::string::npos);
    EXPECT_NE(seen.find("size 30 10"), std::string::npos);
    EXPECT_EQ(seen.find("size", seen.find("size 30 10") + 1), std::string::npos) << seen;
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    close(slave);
    close(master);
}

}  // namespace
}  // namespace novra
