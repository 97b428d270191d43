// The scripted driver: runs the simulation with virtual time, input from a script and
// read-back of everything shown, for tests, tools and benchmarks. Deterministic: the same script gives
// the same calls, pixels and cells.
//
// Time is counter ticks. QueryPerformanceCounter returns the virtual time and then advances it by
// `counter_step`; Sleep(ms) advances it by ms * frequency / 1000 plus `sleep_oversleep`.
//
// Passes: the pass number starts at 0 and goes up by one at the first PeekMessageW after one that
// found no message (the first call of the next pump), or at scripted_next_pass(). Input scheduled for
// a pass (or a virtual time) is delivered at the first PeekMessageW, PeekConsoleInputW or
// ReadConsoleInputW made once that pass (or time) is reached, in the order it was scheduled. So input
// for pass n reaches the window procedure in the pump of the n-th pass after the first and the console
// poll of that same pass.
//
// Call record: one string per Win32 call the program makes, in order: the function name and its
// arguments in Win32 order separated by spaces. Numbers are decimal; strings are UTF-8 ("null" when
// absent, "#n" for an atom or resource number); handles are "hwnd", "hdc", "conout", "conin", "null"
// or hex; messages are named ("WM_CLOSE") or hex; COORDs are "x,y", rectangles "l,t,r,b"; output
// pointers are left out. For example "CreateWindowExW 0 com.example.Window NOVRA 13565952
// -2147483648 -2147483648 -2147483648 -2147483648 null null 0x400000 null", "ShowWindow hwnd 1",
// "Sleep 11", "QueryPerformanceCounter 166667" (the value read), "StretchDIBits hdc 0 0 800 600 0 0
// 256 192 256x192 0 13369376".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace novra {

struct ScriptedConfig {
    int32_t client_width = 800;  // client size of a window created with CW_USEDEFAULT
    int32_t client_height = 600;
    int16_t console_width = 80;  // screen buffer that AllocConsole makes
    int16_t console_height = 25;
    int64_t counter_frequency = 10'000'000;  // QueryPerformanceFrequency
    int64_t counter_start = 0;               // virtual time at the start
    int64_t counter_step = 1000;             // ticks added after each QueryPerformanceCounter read
    int64_t sleep_oversleep = 0;             // ticks each Sleep adds beyond the time asked
    bool record_calls = true;                // keep the call record (long runs may turn it off)
};

// When scheduled input is delivered: at a pass number or at a virtual time in ticks.
struct ScriptedWhen {
    bool by_time;
    int64_t value;
};
inline ScriptedWhen scripted_at_pass(int64_t pass) {
    return {false, pass};
}
inline ScriptedWhen scripted_at_time(int64_t ticks) {
    return {true, ticks};
}

// Resets the whole simulation (classes, window, queue, console, last error, call record), the virtual
// time, the pass number and the script, and makes the scripted driver the one in use.
void scripted_start(const ScriptedConfig& config = {});

// Virtual time, in counter ticks.
int64_t scripted_now();
void scripted_advance(int64_t ticks);
void scripted_set_counter_step(int64_t ticks);
void scripted_set_oversleep(int64_t ticks);

// The current pass number, and the explicit step to the next pass for programs without a pump.
int64_t scripted_pass();
void scripted_next_pass();

// Scheduled input. Keys take Windows virtual-key codes (left and right variants of Shift, Ctrl and
// Alt give the side-neutral code in wParam); `repeat` marks an auto-repeat press. A key goes to the
// window only while it has the focus. A resize sends WM_SIZING while the old client size still
// holds, then changes it and posts WM_SIZE. A close posts WM_SYSCOMMAND SC_CLOSE.
void scripted_key(ScriptedWhen when, uint8_t virtual_key, bool down, bool repeat = false);
void scripted_focus(ScriptedWhen when, bool focused);
void scripted_resize(ScriptedWhen when, int32_t client_width, int32_t client_height);
void scripted_close(ScriptedWhen when);
// Console key records (dropped when no console exists at delivery).
void scripted_console_key(ScriptedWhen when, char16_t character, uint16_t virtual_key, bool down,
                          uint16_t repeat_count = 1);
// A key-down and a key-up record for each UTF-16 code unit of `text`, as typing it would give.
void scripted_console_text(ScriptedWhen when, std::u16string_view text);
// Scheduled input not delivered yet.
int32_t scripted_pending();

// The client bitmap: top row first, 0x00RRGGBB. Empty before a window exists.
struct ScriptedPicture {
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;
};
ScriptedPicture scripted_client();
// One client pixel (0x00RRGGBB); 0 outside the client area.
uint32_t scripted_pixel(int32_t x, int32_t y);
// Writes the client bitmap as an 8-bit RGB PNG. Returns false when there is no window or the file
// cannot be written.
bool scripted_write_png(const char* path);

// The console as last allocated (still readable after FreeConsole).
struct ScriptedConsole {
    bool attached;
    int16_t width;
    int16_t height;
    int16_t cursor_x;
    int16_t cursor_y;
    std::u16string title;
    std::vector<char16_t> characters;  // row-major, width * height code units
    std::vector<uint16_t> attributes;
    size_t input_queued;  // records waiting in the input queue
};
ScriptedConsole scripted_console();
// One row's code units exactly as held (zeros included); empty outside the buffer.
std::u16string scripted_console_row(int16_t row);
// One row as UTF-8 for easy comparison: code unit 0 shown as a space, a full-width character once,
// trailing spaces removed.
std::string scripted_console_line(int16_t row);

// The window as created: its title, whether it exists, is shown and has the focus.
struct ScriptedWindow {
    bool exists;
    bool visible;
    bool focused;
    std::u16string title;
};
ScriptedWindow scripted_window();

// The call record, oldest first; and emptying it.
const std::vector<std::string>& scripted_calls();
void scripted_clear_calls();

}  // namespace novra
