// The terminal the program was started from, as the desktop driver's console: raw input without
// echo, the alternate screen for output, and the way back to the terminal as it was, on every way
// out of the program and around every stop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace novra {

// Switches the terminal on `mode_fd` to raw input (no echo, no line editing, no Ctrl+S/Ctrl+Q; Ctrl+C
// still interrupts and Ctrl+Z still stops) with reads that return at once. With `screen`, also writes to
// `output_fd` what a full-screen program does: the title saved on xterm's title stack, the alternate
// screen, lines that do not wrap. Returns false, changing nothing, when `mode_fd` is not a terminal or
// the program runs in its background (terminal_take_again then tries again).
bool terminal_take(int mode_fd, int output_fd, bool screen);

// Gives the terminal back as terminal_take found it (the title popped off the stack). Does nothing when
// it is not taken; safe to call again and from a signal handler.
void terminal_restore();

// True between terminal_take and terminal_restore.
bool terminal_taken();

// Makes SIGINT, SIGTERM, SIGHUP, SIGQUIT and the crash signals restore the terminal before they end
// the process as they would have, and exit() restore it too. SIGTSTP (Ctrl+Z) restores it before the
// process stops; SIGCONT and SIGWINCH are noted for terminal_continued and terminal_resized.
void terminal_guard_exits();

// True once after each continue (SIGCONT) since the last call.
bool terminal_continued();

// True once after each change of the terminal's size (SIGWINCH) since the last call.
bool terminal_resized();

// After a continue, or a take refused in the background: takes the terminal again as the last terminal_take
// did (or, when a stop that could not be caught left it taken, puts its raw mode back). False, changing
// nothing, while the process is not in the terminal's foreground, where changing the mode would stop it
// again.
bool terminal_take_again();

// The terminal's size; false when `fd` is not a terminal or reports no size.
bool terminal_size(int fd, int16_t& columns, int16_t& rows);

// What has been typed and not read yet, without waiting (empty when nothing).
std::string terminal_read(int fd);

// Waits until `fd` has something to read, or `milliseconds` pass (-1: no limit).
void terminal_wait(int fd, int milliseconds = -1);

// Writes all of `bytes`, retrying short writes; gives up on an error. Ctrl+Z waits until it is done, so
// that what the terminal is given back never lands inside an escape sequence.
void terminal_write(int fd, std::string_view bytes);

}  // namespace novra
