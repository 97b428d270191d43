// The contract between the simulation behind win32.h and a driver (scripted for tests, desktop, web):
// what a driver gives the simulation (DriverHooks, the sim_* events) and what it reads back to show
// (the window's client bitmap, the console's cells). A driver includes this and win32.h, nothing else
// of the simulation.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace novra {

// A full-width character takes two cells, both holding its code unit: the leading and the trailing one.
enum class CellHalf : uint8_t { whole, leading, trailing };

struct ConsoleCell {
    char16_t ch;          // one UTF-16 code unit
    uint16_t attributes;  // FOREGROUND_* | BACKGROUND_*
    CellHalf half = CellHalf::whole;
};

struct SimWindow {
    bool exists;
    HWND handle;
    std::u16string title;
    std::u16string class_name;
    WNDPROC proc;
    bool visible;
    bool focused;        // as the window procedure was last told
    bool input_focused;  // as the input delivered so far leaves it; decides where keys go
    bool dc_taken;
    HIMC input_context;
    int32_t client_width;
    int32_t client_height;
    std::vector<uint32_t> pixels;  // client bitmap, top row first, 0x00RRGGBB; empty when the driver scales
    uint64_t pixels_version;       // counts changes to `pixels`, so a driver can tell what it has shown
    std::vector<int64_t> stretch_columns;  // StretchDIBits' scratch: source column of each client column
};

struct SimConsole {
    bool attached;     // between AllocConsole and FreeConsole; the cells stay readable after
    bool std_handles;  // GetStdHandle hands out the console's handles (from the first AllocConsole on)
    bool output_open;
    bool input_open;
    int16_t width;
    int16_t height;
    std::vector<ConsoleCell> cells;  // row-major, width * height
    COORD cursor;
    uint16_t attributes;    // attribute of new text, reported by GetConsoleScreenBufferInfo
    int16_t window_top;     // first buffer row the driver shows
    int16_t window_height;  // rows the driver shows
    std::u16string title;
    std::deque<INPUT_RECORD> input;
    uint64_t version;  // counts changes to cells, cursor and title, so a driver can tell what it has shown
    uint64_t rows_scrolled;  // rows the whole buffer has moved up (whole-width moves up to row 0)
};

// One StretchDIBits call as a driver that scales pictures itself receives it: the source picture and
// rectangle, and the destination rectangle in client coordinates. Negative extents mirror, as they do
// for StretchDIBits. The bits stay valid only during the call.
struct StretchedPicture {
    const uint32_t* bits;  // 0x00RRGGBB (the top byte is ignored), image_height rows of image_width
    int32_t image_width;
    int32_t image_height;
    bool bottom_up;  // the first row in memory is the picture's bottom row
    int32_t src_x;   // source rectangle in picture rows counted from the top
    int32_t src_y;
    int32_t src_width;
    int32_t src_height;
    int32_t dest_x;
    int32_t dest_y;
    int32_t dest_width;
    int32_t dest_height;
};

// What a driver provides: its sizes, its clock and the calls that tell it what to show. Null function
// pointers are allowed: the simulation then does without.
struct DriverHooks {
    int32_t default_client_width;  // client size of a window created with CW_USEDEFAULT
    int32_t default_client_height;
    int16_t console_width;  // screen buffer of the next AllocConsole
    int16_t console_height;
    int16_t console_window_height;  // rows shown of that buffer (srWindow)
    int64_t counter_frequency;      // QueryPerformanceFrequency
    int64_t (*counter_read)();      // QueryPerformanceCounter
    void (*sleep)(uint32_t milliseconds);
    // Called at the start of PeekMessageW (message_pump true) and of the console input reads: the
    // driver hands over the input that has arrived, through the sim_* events below.
    void (*deliver_input)(bool message_pump);
    // ReadConsoleInputW found the queue empty: wait for a record or return with none queued.
    void (*wait_console_input)();
    void (*window_created)();
    void (*window_shown)();
    void (*client_drawn)();  // StretchDIBits drew a picture into the client bitmap
    // Set by a driver that scales on its own (on the GPU): StretchDIBits hands it each picture instead
    // of drawing into the client bitmap, and the window keeps no client bitmap at all, so nothing the
    // simulation does grows with the window. Its bars are the window's background (black); FillRect
    // then only checks its arguments, and GetPixel reads nothing (CLR_INVALID).
    void (*picture_stretched)(const StretchedPicture& picture);
    void (*console_allocated)();
    void (*console_freed)();
};

// Starts a fresh simulation: no classes, no window, no console, empty queue, no recorded calls.
void sim_reset(const DriverHooks& driver, bool record_calls);

// Driver events, in the order they happen. Keys become key messages queued for the focused window.
// Focus changes and resizes are queued in line with them and carried out when PeekMessageW reaches
// them, as the system's sent messages are: a focus change sends WM_KILLFOCUS / WM_SETFOCUS; a resize
// sends WM_SIZING while the old client size still holds, then changes the size and posts WM_SIZE. A
// close queues WM_SYSCOMMAND SC_CLOSE. Console records join the console's input queue (dropped when
// there is no console).
void sim_key(uint8_t virtual_key, bool down, bool repeat);
// A key released while another program had the keyboard: its state changes, no message is sent.
void sim_key_released_elsewhere(uint8_t virtual_key);
void sim_focus(bool focused);
void sim_resize(int32_t client_width, int32_t client_height);
void sim_close();
void sim_console_record(const INPUT_RECORD& record);

// Cells the console gives one UTF-16 code unit: 2 for a full-width one, else 1 (see console.cpp).
int console_unit_cells(char16_t unit);

// Appends one key's press and release, as the two KEY_EVENT records a Windows console queues for a key
// typed into it: repeat count 1, the key's scan code, `character` (0 for keys without one).
void key_records(std::vector<INPUT_RECORD>& records, char16_t character, uint8_t virtual_key,
                 DWORD control_state);

// The one window and the one console as they are now: what a driver shows and what tests read back.
SimWindow& sim_window();
SimConsole& sim_console();
// PeekMessageW calls that found no message: a driver of virtual time moves its clock on when the
// program idles.
uint64_t sim_empty_peeks();
// The call record, kept only when sim_reset was asked to record calls. Each entry is the function's
// name followed by its arguments, separated by spaces.
std::vector<std::string>& sim_calls();
// File calls (CreateFileW, ReadFile, WriteFile, FlushFileBuffers, GetFileSizeEx, MoveFileExW,
// DeleteFileW, GetFileAttributesW, and CloseHandle of a file) served since sim_reset, counted from 1.
uint64_t sim_file_calls();
// Makes file call number `call` (counted as sim_file_calls counts) fail with `error`, having done
// nothing; a CloseHandle so failed still closes the file, as its handle is spent either way. 0 fails none.
void sim_fail_file_call(uint64_t call, DWORD error);

// The hooks sim_reset installed, for a driver or test that wraps one of them.
DriverHooks& sim_driver();

}  // namespace novra
