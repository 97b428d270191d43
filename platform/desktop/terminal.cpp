// Taking the terminal and giving it back.
#include "platform/desktop/terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace novra {

namespace {

// Kept in plain statics: the signal handler reads them.
struct termios saved_mode;
int saved_input_fd = -1;
int saved_output_fd = -1;
volatile sig_atomic_t taken = 0;

const char enter_screen[] = "\x1b[?1049h\x1b[H\x1b[2J";
const char leave_screen[] = "\x1b[0m\x1b[?25h\x1b[?1049l";

void write_all(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes += written;
        size -= size_t(written);
    }
}

void restore_on_signal(int signal_number) {
    terminal_restore();
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

}  // namespace

bool terminal_take(int input_fd, int output_fd) {
    if (taken || !isatty(input_fd) || tcgetattr(input_fd, &saved_mode) != 0) return false;
    struct termios raw = saved_mode;
    raw.c_iflag &= ~tcflag_t(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT);
    raw.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | IEXTEN);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    raw.c_cc[VSUSP] = _POSIX_VDISABLE;
    if (tcsetattr(input_fd, TCSAFLUSH, &raw) != 0) return false;
    saved_input_fd = input_fd;
    saved_output_fd = output_fd;
    taken = 1;
    write_all(output_fd, enter_screen, sizeof enter_screen - 1);
    return true;
}

void terminal_restore() {
    if (!taken) return;
    taken = 0;
    write_all(saved_output_fd, leave_screen, sizeof leave_screen - 1);
    tcsetattr(saved_input_fd, TCSAFLUSH, &saved_mode);
}

bool terminal_taken() {
    return taken != 0;
}

void terminal_guard_exits() {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction action {};
        action.sa_handler = restore_on_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(signal_number, &action, nullptr);
    }
    std::atexit(terminal_restore);
}

bool terminal_size(int fd, int16_t& columns, int16_t& rows) {
    struct winsize size {};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return false;
    columns = int16_t(std::min<int>(size.ws_col, 0x7FFF));
    rows = int16_t(std::min<int>(size.ws_row, 0x7FFF));
    return true;
}

std::string terminal_read(int fd) {
    std::string bytes;
    char chunk[256];
    for (;;) {
        struct pollfd ready {
            fd, POLLIN, 0
        };
        if (poll(&ready, 1, 0) <= 0 || !(ready.revents & POLLIN)) break;
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        bytes.append(chunk, size_t(got));
    }
    return bytes;
}

void terminal_wait(int fd) {
    struct pollfd ready {
        fd, POLLIN, 0
    };
    while (poll(&ready, 1, -1) < 0 && errno == EINTR) {
    }
}

void terminal_write(int fd, std::string_view bytes) {
    write_all(fd, bytes.data(), bytes.size());
}

}  // namespace novra
