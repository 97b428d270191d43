// The terminal the program was started from, as the desktop driver's console: raw input without
// echo, the alternate screen for output, and the way back to the terminal as it was, on every way
// out of the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace novra {

// Switches the terminal on `input_fd` / `output_fd` to raw input (no echo, no line editing, no
// Ctrl+S/Ctrl+Q or Ctrl+Z handling; Ctrl+C still interrupts), reads that return at once, and the
// alternate screen. Returns false, changing nothing, when `input_fd` is not a terminal.
bool terminal_take(int input_fd, int output_fd);

// Gives the terminal back as terminal_take found it. Does nothing when it is not taken; safe to call
// again and from a signal handler.
void terminal_restore();

// True between terminal_take and terminal_restore.
bool terminal_taken();

// Makes SIGINT, SIGTERM, SIGHUP, SIGQUIT and the crash signals restore the terminal before they end
// the process as they would have, and exit() restore it too.
void terminal_guard_exits();

// The terminal's size; false when `fd` is not a terminal or reports no size.
bool terminal_size(int fd, int16_t& columns, int16_t& rows);

// What has been typed and not read yet, without waiting (empty when nothing).
std::string terminal_read(int fd);

// Waits until `fd` has something to read.
void terminal_wait(int fd);

// Writes all of `bytes`, retrying short writes; gives up on an error.
void terminal_write(int fd, std::string_view bytes);

}  // namespace novra
