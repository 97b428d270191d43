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

// Kept in plain statics: the signal handlers read them.
struct termios saved_mode;
int saved_mode_fd = -1;
int saved_output_fd = -1;
bool saved_screen = false;
volatile sig_atomic_t taken = 0;
volatile sig_atomic_t continued = 0;
volatile sig_atomic_t resized = 0;

// Title pushed on xterm's title stack, alternate screen, no autowrap (the view is clipped, never
// wrapped), cleared; and the reverse, the title popped last.
const char enter_screen[] = "\x1b[22;0t\x1b[?1049h\x1b[?7l\x1b[H\x1b[2J";
const char leave_screen[] = "\x1b[0m\x1b[?25h\x1b[?7h\x1b[?1049l\x1b[23;0t";

void write_all(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes += written;
        size -= size_t(written);
    }
}

void raw_mode_set() {
    struct termios raw = saved_mode;
    raw.c_iflag &= ~tcflag_t(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT);
    raw.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | IEXTEN);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(saved_mode_fd, TCSAFLUSH, &raw);
}

void restore_on_signal(int signal_number) {
    terminal_restore();
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void handler_set(int signal_number, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    sigaction(signal_number, &action, nullptr);
}

// Ctrl+Z: the terminal goes back to the shell, then the process stops as it would have. Once it is
// continued, the driver takes the terminal again and draws the console whole.
void stop_on_signal(int signal_number) {
    const int saved_errno = errno;
    terminal_restore();
    handler_set(signal_number, SIG_DFL, 0);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, signal_number);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(signal_number);
    handler_set(signal_number, stop_on_signal, SA_RESTART);
    continued = 1;
    errno = saved_errno;
}

// False while the program runs in the background of its controlling terminal, where changing the
// terminal's mode would stop it (SIGTTOU). A terminal that is not the controlling one has no front.
bool in_front(int fd) {
    const pid_t front = tcgetpgrp(fd);
    return front <= 0 || front == getpgrp();
}

void note_continued(int) {
    continued = 1;
}

void note_resized(int) {
    resized = 1;
}

// Ctrl+Z is held back while bytes go out, so that the terminal is never given back in the middle of
// an escape sequence.
struct StopHeld {
    sigset_t previous;
    StopHeld() {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGTSTP);
        sigprocmask(SIG_BLOCK, &stop, &previous);
    }
    ~StopHeld() { sigprocmask(SIG_SETMASK, &previous, nullptr); }
};

}  // namespace

bool terminal_take(int mode_fd, int output_fd, bool screen) {
    if (taken || !isatty(mode_fd)) return false;
    saved_mode_fd = mode_fd;
    saved_output_fd = output_fd;
    saved_screen = screen;
    if (!in_front(mode_fd) || tcgetattr(mode_fd, &saved_mode) != 0) return false;
    raw_mode_set();
    taken = 1;
    if (screen) write_all(output_fd, enter_screen, sizeof enter_screen - 1);
    return true;
}

void terminal_restore() {
    if (!taken) return;
    taken = 0;
    if (saved_screen) write_all(saved_output_fd, leave_screen, sizeof leave_screen - 1);
    // Ctrl+Z stops the shell's whole job, and the shell may take the terminal back before this process
    // has given it back; a mode change from the background would then stop it with SIGTTOU, in the
    // middle of its own Ctrl+Z, to stop again as soon as it is continued. With SIGTTOU held back the
    // mode is set all the same.
    sigset_t hold, previous;
    sigemptyset(&hold);
    sigaddset(&hold, SIGTTOU);
    sigprocmask(SIG_BLOCK, &hold, &previous);
    tcsetattr(saved_mode_fd, TCSAFLUSH, &saved_mode);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

bool terminal_taken() {
    return taken != 0;
}

void terminal_guard_exits() {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        handler_set(signal_number, restore_on_signal, SA_RESETHAND);
    handler_set(SIGTSTP, stop_on_signal, SA_RESTART);
    handler_set(SIGCONT, note_continued, SA_RESTART);
    handler_set(SIGWINCH, note_resized, SA_RESTART);
    std::atexit(terminal_restore);
}

bool terminal_continued() {
    if (!continued) return false;
    continued = 0;
    return true;
}

bool terminal_resized() {
    if (!resized) return false;
    resized = 0;
    return true;
}

bool terminal_take_again() {
    if (saved_mode_fd < 0 || !in_front(saved_mode_fd)) return false;
    if (!taken) return terminal_take(saved_mode_fd, saved_output_fd, saved_screen);
    // A stop that cannot be caught (SIGSTOP) left the terminal taken; the shell may have reset its mode.
    raw_mode_set();
    return true;
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

void terminal_wait(int fd, int milliseconds) {
    struct pollfd ready {
        fd, POLLIN, 0
    };
    while (poll(&ready, 1, milliseconds) < 0 && errno == EINTR) {
    }
}

void terminal_write(int fd, std::string_view bytes) {
    StopHeld held;
    write_all(fd, bytes.data(), bytes.size());
}

}  // namespace novra
