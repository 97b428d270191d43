// The Win32 API as NOVRA's Host and debug console use it. On Windows this is <windows.h> itself; on
// every other system it declares the subset the program calls, with Windows' names, values, field
// orders and documented behaviour, implemented by the simulation in platform/sim/ and shown by a driver.
#pragma once

#ifdef _WIN32

// <windows.h> first: the other two build on its types.
#include <windows.h>

#include <imm.h>
#include <mmsystem.h>

// The program calls the W functions by name and LoadCursorA with IDC_ARROW as a narrow resource, so
// it builds without UNICODE; its wide literals still go through TEXT().
#undef TEXT
#define TEXT(quote) L##quote

#else

#include <cstddef>
#include <cstdint>

// ---- Calling conventions, literals, basic types -------------------------------------------------

#define WINAPI
#define CALLBACK
#define TEXT(quote) u##quote

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int64_t LONGLONG;
typedef int16_t SHORT;
typedef unsigned int UINT;
typedef char CHAR;
typedef char16_t WCHAR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef UINT MMRESULT;
typedef DWORD COLORREF;  // 0x00BBGGRR

typedef void* LPVOID;
typedef BOOL* LPBOOL;
typedef WORD* LPWORD;
typedef DWORD* LPDWORD;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef const CHAR* LPCCH;
typedef WCHAR* LPWSTR;
typedef WCHAR* PWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* LPCWCH;
typedef const void* LPCVOID;

// Handles are distinct pointer types, as with STRICT on Windows.
typedef void* HANDLE;
#define NOVRA_DECLARE_HANDLE(name) \
    struct name##__ {              \
        int unused;                \
    };                             \
    typedef struct name##__* name
NOVRA_DECLARE_HANDLE(HWND);
NOVRA_DECLARE_HANDLE(HDC);
NOVRA_DECLARE_HANDLE(HINSTANCE);
NOVRA_DECLARE_HANDLE(HBRUSH);
NOVRA_DECLARE_HANDLE(HICON);
NOVRA_DECLARE_HANDLE(HMENU);
NOVRA_DECLARE_HANDLE(HIMC);
#undef NOVRA_DECLARE_HANDLE
typedef HICON HCURSOR;
typedef HINSTANCE HMODULE;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define IDC_ARROW MAKEINTRESOURCEA(32512)

inline WORD LOWORD(ULONG_PTR value) {
    return (WORD)(value & 0xFFFF);
}
inline WORD HIWORD(ULONG_PTR value) {
    return (WORD)((value >> 16) & 0xFFFF);
}
inline LPARAM MAKELPARAM(WORD low, WORD high) {
    return (LPARAM)(DWORD)(low | ((DWORD)high << 16));
}

// ---- Records ------------------------------------------------------------------------------------

struct RECT {
    LONG left, top, right, bottom;
};
typedef RECT* LPRECT;

struct POINT {
    LONG x, y;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;  // milliseconds since the desktop started
    POINT pt;
};
typedef MSG* LPMSG;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXW {
    UINT cbSize;  // must be sizeof(WNDCLASSEXW): 48 on 32-bit Windows
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
    HICON hIconSm;
};

// lParam of WM_NCCREATE and WM_CREATE.
struct CREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // > 0: bottom-up, first row in memory is the bottom row; < 0: top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};

typedef LARGE_INTEGER* PLARGE_INTEGER;

// Only ever passed as null here: no overlapped input and output, no security descriptors.
struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;
struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

struct COORD {
    SHORT X, Y;
};

struct SMALL_RECT {
    SHORT Left, Top, Right, Bottom;  // inclusive on all four sides
};

struct CHAR_INFO {
    union {
        WCHAR UnicodeChar;
        CHAR AsciiChar;
    } Char;
    WORD Attributes;
};

struct CONSOLE_SCREEN_BUFFER_INFO {
    COORD dwSize;
    COORD dwCursorPosition;
    WORD wAttributes;
    SMALL_RECT srWindow;
    COORD dwMaximumWindowSize;
};
typedef CONSOLE_SCREEN_BUFFER_INFO* PCONSOLE_SCREEN_BUFFER_INFO;

struct KEY_EVENT_RECORD {
    BOOL bKeyDown;
    WORD wRepeatCount;
    WORD wVirtualKeyCode;
    WORD wVirtualScanCode;
    union {
        WCHAR UnicodeChar;
        CHAR AsciiChar;
    } uChar;
    DWORD dwControlKeyState;
};

struct MOUSE_EVENT_RECORD {
    COORD dwMousePosition;
    DWORD dwButtonState;
    DWORD dwControlKeyState;
    DWORD dwEventFlags;
};

struct WINDOW_BUFFER_SIZE_RECORD {
    COORD dwSize;
};

struct MENU_EVENT_RECORD {
    UINT dwCommandId;
};

struct FOCUS_EVENT_RECORD {
    BOOL bSetFocus;
};

struct INPUT_RECORD {
    WORD EventType;
    union {
        KEY_EVENT_RECORD KeyEvent;
        MOUSE_EVENT_RECORD MouseEvent;
        WINDOW_BUFFER_SIZE_RECORD WindowBufferSizeEvent;
        MENU_EVENT_RECORD MenuEvent;
        FOCUS_EVENT_RECORD FocusEvent;
    } Event;
};
typedef INPUT_RECORD* PINPUT_RECORD;

// ---- Constants ----------------------------------------------------------------------------------

// Window messages.
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_NCCREATE = 0x0081;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_SIZING = 0x0214;
inline constexpr UINT WM_USER = 0x0400;

// WM_SYSCOMMAND commands (the low four bits of wParam are the system's own).
inline constexpr WPARAM SC_CLOSE = 0xF060;
inline constexpr WPARAM SC_KEYMENU = 0xF100;

// WM_SIZE wParam and WM_SIZING wParam.
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM WMSZ_BOTTOMRIGHT = 8;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes ('A', '0').
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_CLEAR = 0x0C;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;
inline constexpr int VK_PAUSE = 0x13;
inline constexpr int VK_CAPITAL = 0x14;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_INSERT = 0x2D;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_LWIN = 0x5B;
inline constexpr int VK_RWIN = 0x5C;
inline constexpr int VK_NUMPAD0 = 0x60;
inline constexpr int VK_F1 = 0x70;
inline constexpr int VK_F4 = 0x73;
inline constexpr int VK_F10 = 0x79;
inline constexpr int VK_F12 = 0x7B;
inline constexpr int VK_LSHIFT = 0xA0;
inline constexpr int VK_RSHIFT = 0xA1;
inline constexpr int VK_LCONTROL = 0xA2;
inline constexpr int VK_RCONTROL = 0xA3;
inline constexpr int VK_LMENU = 0xA4;
inline constexpr int VK_RMENU = 0xA5;
inline constexpr int VK_OEM_1 = 0xBA;
inline constexpr int VK_OEM_PLUS = 0xBB;
inline constexpr int VK_OEM_COMMA = 0xBC;
inline constexpr int VK_OEM_MINUS = 0xBD;
inline constexpr int VK_OEM_PERIOD = 0xBE;
inline constexpr int VK_OEM_2 = 0xBF;
inline constexpr int VK_OEM_3 = 0xC0;
inline constexpr int VK_OEM_4 = 0xDB;
inline constexpr int VK_OEM_5 = 0xDC;
inline constexpr int VK_OEM_6 = 0xDD;
inline constexpr int VK_OEM_7 = 0xDE;

// Class and window styles.
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr int CW_USEDEFAULT = (int)0x80000000;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;

// PeekMessageW removal.
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

// System colours (GetSysColorBrush, GetSysColor).
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_BTNFACE = 15;

// Device-independent bitmaps.
inline constexpr DWORD BI_RGB = 0;
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Timer resolution.
inline constexpr MMRESULT TIMERR_NOERROR = 0;
inline constexpr MMRESULT TIMERR_NOCANDO = 97;

// Console.
inline constexpr DWORD STD_INPUT_HANDLE = (DWORD)-10;
inline constexpr DWORD STD_OUTPUT_HANDLE = (DWORD)-11;
inline constexpr DWORD STD_ERROR_HANDLE = (DWORD)-12;
inline constexpr WORD KEY_EVENT = 0x0001;
inline constexpr WORD FOCUS_EVENT = 0x0010;
inline constexpr DWORD RIGHT_ALT_PRESSED = 0x0001;
inline constexpr DWORD LEFT_ALT_PRESSED = 0x0002;
inline constexpr DWORD RIGHT_CTRL_PRESSED = 0x0004;
inline constexpr DWORD LEFT_CTRL_PRESSED = 0x0008;
inline constexpr DWORD SHIFT_PRESSED = 0x0010;
inline constexpr DWORD ENHANCED_KEY = 0x0100;
inline constexpr WORD FOREGROUND_BLUE = 0x0001;
inline constexpr WORD FOREGROUND_GREEN = 0x0002;
inline constexpr WORD FOREGROUND_RED = 0x0004;
inline constexpr WORD FOREGROUND_INTENSITY = 0x0008;
inline constexpr WORD BACKGROUND_BLUE = 0x0010;
inline constexpr WORD BACKGROUND_INTENSITY = 0x0080;

// Text conversion.
inline constexpr UINT CP_UTF8 = 65001;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;

// Files.
inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD FILE_SHARE_READ = 0x00000001;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = (DWORD)-1;
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x00000008;

// GetLastError codes.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_WRITE_PROTECT = 19;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_HANDLE_DISK_FULL = 39;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
inline constexpr DWORD ERROR_INVALID_FLAGS = 1004;
inline constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;
inline constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
inline constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
inline constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
inline constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// ---- Functions ----------------------------------------------------------------------------------
// Each behaves as Windows documents it; where the simulation does less than Windows, the note beside
// the declaration says so. Where a call fails it returns what Windows returns on failure and sets the
// last error.

// Window classes and the window (user32).
// Class names are compared without ASCII case only.
ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* window_class);
BOOL WINAPI UnregisterClassW(LPCWSTR class_name, HINSTANCE instance);
// One window at a time: while one exists, creation fails with ERROR_CALL_NOT_IMPLEMENTED.
HWND WINAPI CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param);
BOOL WINAPI DestroyWindow(HWND window);
BOOL WINAPI ShowWindow(HWND window, int show_command);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursor_name);
BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
int WINAPI GetWindowTextW(HWND window, LPWSTR text, int max_count);

// Messages (user32).
// Focus changes and resizes wait in the queue in line with the keys and are sent (WM_KILLFOCUS and
// WM_SETFOCUS; WM_SIZING, then WM_SIZE posted) when PeekMessageW reaches them.
BOOL WINAPI PeekMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max, UINT remove);
LRESULT WINAPI DispatchMessageW(const MSG* message);
// Handles only WM_NCCREATE, WM_CLOSE (destroys the window), SC_CLOSE and Alt+F4 (send WM_CLOSE); every
// other message returns 0.
LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Drawing (user32, gdi32).
HDC WINAPI GetDC(HWND window);
int WINAPI ReleaseDC(HWND window, HDC dc);
// Brushes are system colour brushes only (COLOR_BACKGROUND is black), or a colour index plus one.
int WINAPI FillRect(HDC dc, const RECT* rect, HBRUSH brush);
HBRUSH WINAPI GetSysColorBrush(int index);
DWORD WINAPI GetSysColor(int index);
// 32-bit BI_RGB bitmaps with DIB_RGB_COLORS and SRCCOPY only; nearest-neighbour sampling at pixel
// centres, clipped to the client area; returns the source rectangle's scan lines.
int WINAPI StretchDIBits(HDC dc, int dest_x, int dest_y, int dest_width, int dest_height, int src_x,
                         int src_y, int src_width, int src_height, const void* bits, const BITMAPINFO* info,
                         UINT usage, DWORD rop);
COLORREF WINAPI GetPixel(HDC dc, int x, int y);  // reads the client bitmap

// Input method (imm32).
HIMC WINAPI ImmAssociateContext(HWND window, HIMC context);  // no input method: only kept and given back

// Time (winmm, kernel32): the driver's clock (virtual in the scripted driver, so Sleep only advances it).
MMRESULT WINAPI timeBeginPeriod(UINT period);
BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count);
void WINAPI Sleep(DWORD milliseconds);

// Console (kernel32).
// One console of W x H cells, new cells spaces in grey on black. After FreeConsole the last console's
// cells stay readable to a driver.
BOOL WINAPI AllocConsole();
BOOL WINAPI FreeConsole();
BOOL WINAPI SetConsoleTitleW(LPCWSTR title);
HANDLE WINAPI GetStdHandle(DWORD std_handle);
BOOL WINAPI CloseHandle(HANDLE handle);  // a console handle, or a file's (below)
BOOL WINAPI GetConsoleScreenBufferInfo(HANDLE output, PCONSOLE_SCREEN_BUFFER_INFO info);
BOOL WINAPI SetConsoleCursorPosition(HANDLE output, COORD position);
// Full-width characters take two cells, as in a console with a CJK code page and font; which ones are
// full-width is judged per code unit by the line editor's own table, not by a font.
BOOL WINAPI WriteConsoleOutputCharacterW(HANDLE output, LPCWSTR text, DWORD length, COORD start,
                                         LPDWORD written);
BOOL WINAPI ReadConsoleOutputCharacterW(HANDLE output, LPWSTR text, DWORD length, COORD start, LPDWORD read);
BOOL WINAPI ReadConsoleOutputAttribute(HANDLE output, LPWORD attributes, DWORD length, COORD start,
                                       LPDWORD read);
BOOL WINAPI ScrollConsoleScreenBufferW(HANDLE output, const SMALL_RECT* scroll, const SMALL_RECT* clip,
                                       COORD destination, const CHAR_INFO* fill);
BOOL WINAPI PeekConsoleInputW(HANDLE input, PINPUT_RECORD records, DWORD length, LPDWORD read);
BOOL WINAPI ReadConsoleInputW(HANDLE input, PINPUT_RECORD records, DWORD length, LPDWORD read);
BOOL WINAPI WriteConsoleInputW(HANDLE input, const INPUT_RECORD* records, DWORD length, LPDWORD written);

// Text conversion (kernel32): CP_UTF8 only, with MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS the only
// flags.
int WINAPI MultiByteToWideChar(UINT code_page, DWORD flags, LPCCH text, int length, LPWSTR wide,
                               int wide_length);
int WINAPI WideCharToMultiByte(UINT code_page, DWORD flags, LPCWCH wide, int wide_length, LPSTR text,
                               int length, LPCCH default_char, LPBOOL used_default_char);

// Files (kernel32), on the system's own files. Names are UTF-16, relative to the working folder or
// absolute. Share modes are not enforced and the attributes and flags of CreateFileW are ignored; the
// security attributes, the template and every OVERLAPPED must be null. CREATE_NEW, CREATE_ALWAYS and
// OPEN_EXISTING only. A folder cannot be opened (ERROR_ACCESS_DENIED, as without
// FILE_FLAG_BACKUP_SEMANTICS). MoveFileExW renames within one volume only (no MOVEFILE_COPY_ALLOWED);
// with MOVEFILE_WRITE_THROUGH it returns once the rename is on the disk.
HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                          DWORD creation, DWORD flags, HANDLE template_file);
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD length, LPDWORD written, LPOVERLAPPED overlapped);
BOOL WINAPI FlushFileBuffers(HANDLE file);
BOOL WINAPI GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
BOOL WINAPI MoveFileExW(LPCWSTR existing_name, LPCWSTR new_name, DWORD flags);
BOOL WINAPI DeleteFileW(LPCWSTR name);
DWORD WINAPI GetFileAttributesW(LPCWSTR name);  // FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL only

// Errors (kernel32).
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD error);

#endif
