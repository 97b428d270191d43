// The simulation's own state behind win32.h off Windows: one record holding the window classes, the one
// window, its message queue and client bitmap, the console and the last error, with the driver's hooks.
// Only the simulation's files (platform/sim/*.cpp) include this; drivers see driver.h, the program
// win32.h.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/sim/driver.h"
#include "platform/win32.h"

namespace novra {

struct WindowClass {
    std::u16string name;
    WNDCLASSEXW record;  // as registered; record.lpszClassName points into `name`
    ATOM atom;
};

// Message numbers of the queue's system entries: above the 16-bit range, so no program message
// can carry them.
inline constexpr UINT queue_focus = 0x7FFF0001;   // wParam: 1 to give the focus, 0 to take it
inline constexpr UINT queue_resize = 0x7FFF0002;  // wParam, lParam: the new client width and height

// The files CreateFileW opened, and the failure a test asked for.
struct SimFiles {
    std::vector<int> descriptors;  // by handle slot; -1 for a free slot
    uint64_t calls;                // file calls served since sim_reset
    uint64_t failing_call;         // the call that fails, counted like `calls`; 0 for none
    DWORD failing_error;
};

struct Simulation {
    DriverHooks driver;
    std::vector<WindowClass> classes;
    ATOM next_atom;
    uint32_t windows_created;
    SimWindow window;
    std::deque<MSG> queue;  // posted messages, oldest first
    uint64_t empty_peeks;   // PeekMessageW calls that found no message
    bool keys_down[256];    // physical key state, by virtual-key code
    SimConsole console;
    DWORD last_error;
    SimFiles files;
    bool record_calls;
    std::vector<std::string> calls;
};

extern Simulation sim;

// False when the driver scales pictures itself and the window has no client bitmap.
inline bool client_bitmap_kept() {
    return sim.driver.picture_stretched == nullptr;
}

// Set-1 scan code of a virtual-key code on a US keyboard (0 when unknown), as key messages and console
// key records carry it.
uint8_t key_scan_code(uint8_t virtual_key);

// Gives or takes the keyboard focus now, sending WM_SETFOCUS / WM_KILLFOCUS.
void window_set_focus(bool focused);
// Changes the client size now: WM_SIZING first, then the new size and a posted WM_SIZE.
void window_set_client_size(int32_t client_width, int32_t client_height);

// The window procedure call behind SendMessageW and DispatchMessageW; 0 when there is no window.
LRESULT window_send(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Removes the window as DestroyWindow does: WM_DESTROY, WM_NCDESTROY, then the handle is dead.
void window_destroy();
// True when `window` is the live window's handle.
bool window_valid(HWND window);
// The console's two handles, fixed values that GetStdHandle hands out once a console exists.
HANDLE console_output_handle();
HANDLE console_input_handle();
// Closes the file behind `handle` for CloseHandle, into `result`; false when it is no file handle.
bool file_close(HANDLE handle, BOOL& result);
// Closes every file still open, as a new process has none; part of sim_reset.
void files_reset();
// Counter-clock milliseconds since the simulation started, for MSG.time.
DWORD sim_milliseconds();

// Call record, kept only while record_calls is set. Each entry is the function name followed by its
// arguments separated by spaces.
inline bool calls_recorded() {
    return sim.record_calls;
}
void call_record(const char* name, std::initializer_list<std::string> arguments);
std::string call_text(LPCWSTR text);  // UTF-8, "null", or "#n" for an atom
std::string call_handle(const void* handle);
std::string call_message(UINT message);  // "WM_CLOSE", or hex for messages without a name here

}  // namespace novra
