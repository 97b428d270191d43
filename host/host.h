// The Host: the program's entry and frame loop, the game window with its keyboard table and
// letterboxed presentation, and the frame pacer. Win32 code, written against platform/win32.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "game/game.h"
#include "game/key_table.h"
#include "platform/win32.h"

namespace novra {

// ---- Entry and main loop ------------------------------------------------------------------------

// True until window_proc takes WM_CLOSE; the loop tests it before the first pass and after each pass.
extern bool running;

// The one window class name, used to register the class, create the window and unregister the class.
extern const WCHAR window_class_name[];

// Written once at startup: the game window, its device context (every present draws through it,
// null until startup takes it) and the instance handle the class was registered with.
extern HWND game_window;
extern HDC window_dc;
extern HINSTANCE host_instance;

// The program in three calls, so that a loop of its own (a benchmark, a soak, a browser's animation
// frame) can drive passes without repeating the startup. host_main is
// `host_open; while (running) host_pass(); host_close();`.

// Opens the window and the debug console, sets up the Game and starts the pacer. Returns false, with a
// line on stderr and everything it opened released again, when the window class cannot be registered,
// the window cannot be created or the performance counter is unusable.
bool host_open(HINSTANCE instance);

// One pass of the loop: drains the game window's messages, runs the Game's frame, presents it, polls
// the console's input and waits until the next frame is due. It is host_step, then frame_wait.
void host_pass();

// What one pass spent, in counter ticks: the Game's frame, and presenting its picture.
struct PassTimes {
    int64_t work_ticks;
    int64_t present_ticks;
};

// A pass without the wait: the message pump, the Game's frame, the present and the console poll.
PassTimes host_step();

// A pass for a loop that does its waiting elsewhere, as a browser's animation frames do, where nothing
// may sleep or spin: when frame_due says the next pass may begin, runs host_step and counts the pass on
// the pacer's grid with frame_end; returns whether it ran. Called at every refresh of a 60 Hz display
// it runs one pass per refresh, even when the refresh times wander by up to half a frame; called more
// often it keeps to the 60 Hz grid, one pass per frame period at most.
bool host_pass_when_due();

// The command line (without the program's name) names a world file, FILE or "FILE": loads it as the
// `load` command does, its answer in the console. An empty or null line loads nothing.
void host_load_world(const WCHAR* command_line);

// `novra --verify FILE`: sets up the Game with no window, plays the demo FILE as `timedemo` does, timed
// by `clock_us`, and puts the result line in `line`. Returns the program's exit code: 0 when every
// picture matched, 1 when one differs, 2 when FILE cannot be read or is not a demo.
int host_verify(const char* file, int64_t (*clock_us)(), char* line, size_t capacity);

// The file a command line (without the program's name) names: the whole line with the spaces around it
// trimmed, or what a pair of double quotes holds; UTF-8.
std::string command_line_file(const WCHAR* command_line);

// Lets the Game keep what it must (game_close), then releases the console, the device context and the
// window class, after the last pass.
void host_close();

// Runs the program: host_open, host_load_world(command_line), passes while `running`, host_close.
// Returns 0; returns 1 when host_open fails.
int host_main(HINSTANCE instance, HINSTANCE previous_instance, PWSTR command_line, int show_command);

// Puts every record the Host keeps (running, the window and its device context, the instance, the
// picture header, the pacer and the KeyTable) back as a new process has it.
void host_reset();

// ---- Window, keyboard and presentation ----------------------------------------------------------

// The game window's procedure: keeps key_table's keys (first key-down sets, key-up clears, auto-repeat
// and codes of 256 or more change nothing, focus loss clears all; a system key-up clears too and then
// goes on to DefWindowProcW, a system key-down is never recorded), clears `running` on WM_CLOSE, and on
// WM_SIZING and WM_SIZE re-reads the client size, repaints the background and presents again. Every
// other message goes to DefWindowProcW.
LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The picture header `present` blits with; all zero until set_framebuffer_size fills it.
extern BITMAPINFO dib_header;

// PlatformTable entry 1: declares the size of the bottom-up 32-bit picture that `present` blits.
void set_framebuffer_size(int32_t width, int32_t height);

// PlatformTable entry 2: blits the whole picture, scaled, into (x, y, width, height) of the client area.
void present(int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t* pixels);

// The largest 4:3 rectangle centred in a client area of width x height, in client pixels.
struct Letterbox {
    int32_t x, y, width, height;
};
Letterbox letterbox_fit(int32_t client_width, int32_t client_height);

// Presents the framebuffer into the letterbox of key_table's client size, through the `present` entry
// the Game kept (nothing before game_setup has kept one). The bars are not painted.
void present_letterboxed();

// Ends the run as WM_CLOSE does: clears `running`, so the current pass finishes and the loop ends.
// PlatformTable entry `quit`.
void host_quit();

// ---- Files --------------------------------------------------------------------------------------

// PlatformTable entry `clock_us`: the performance counter in microseconds.
int64_t host_clock_us();

// PlatformTable entry `file_read`: CreateFileW, GetFileSizeEx, then ReadFile in pieces until the end or
// `capacity`; a file larger than `capacity` is measured, not read.
void host_file_read(const char* path, char* buffer, int64_t capacity, FileReply* reply);

// PlatformTable entry `file_replace`: writes PATH.saving beside the file, flushes it, and moves it over
// the file with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; on any failure deletes PATH.saving
// and gives the first failure's reason. A folder by that name is said to be one.
void host_file_replace(const char* path, const char* bytes, int64_t size, FileReply* reply);

// ---- Frame pacer ----------------------------------------------------------------------------------

constexpr int64_t frames_per_second = 60;
constexpr int32_t late_threshold = 5;  // late passes of the run before every late pass re-anchors

// Times are counter ticks x 60, so frame due times lie on an exact integer grid. The x 60 products
// wrap around (they are worked in unsigned 64-bit), and two times are compared by their wrapped
// difference, so pacing goes on unchanged when the scaled clock passes 2^63.
struct FramePacer {
    int64_t counter_frequency;        // counter ticks per second, read once at start
    int64_t reference_count;          // counter reading at the last anchoring
    int64_t reference_scaled;         // 60 x reference_count
    uint64_t frames_since_reference;  // passes completed since the last anchoring
    int32_t late_frames;              // late passes in the whole run; never reset
    // How the last frame_wait ended, for the Host's frame statistics:
    int64_t last_error_scaled;  // 60 x the reading it returned at, minus its due time (ticks x 60)
    bool last_late;             // the pass was late
    bool last_reanchored;       // and the grid was re-anchored
};

extern FramePacer frame_pacer;

// The performance counter's reading now, in ticks: the one clock of the pacer and of the pass timings.
int64_t counter_read();

// Largest counter frequency the pacer accepts: the Sleep sizing multiplies a tick difference of up to
// 60 frame periods by 1000, which must fit in 64 bits. Real counters run far below it (10 MHz to GHz).
constexpr int64_t pacer_frequency_limit = INT64_MAX / (60 * 1000);

// Reads the counter frequency and anchors the frame grid at the present reading. Returns false (the
// pacer is unusable) when the frequency is 0 or less, or above pacer_frequency_limit.
bool pacer_start();

// Ends a pass: sleeps whole milliseconds and spins on the counter until the next frame is due; a late
// pass (due time reached or passed) returns at once and, from the sixth late pass of the run on,
// re-anchors the grid at the present reading.
void frame_wait();

// frame_wait without the wait, for loops that wait elsewhere: counts the pass, and a late one exactly as
// frame_wait does, then returns at once. The pacing error stays the one frame_due recorded, late or not:
// how far the pass began from its slot on the grid.
void frame_end();

// Whether the next pass may begin: its due time on the grid has come or is at most half a frame period
// away. Half a period either side of the grid lets a caller woken by a display's refresh take each
// frame at the refresh nearest its due time. When it may, records how far from its due time the pass
// begins, either side, as the pacing error. Reads the counter once.
bool frame_due();

}  // namespace novra
