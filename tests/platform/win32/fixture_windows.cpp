// The tests' desktop on real Win32 (Windows, or Wine): the windows, classes and console of the previous
// test are taken down, keys go in through SendInput, the focus moves to a child window of the
// fixture's own, and a border drag is done as the system's sizing loop does it. What the system already
// queued is dispatched before focus or size changes, so those stay in line with the keys, as on the
// scripted driver. The client size cannot be chosen here: CW_USEDEFAULT gives the system's.
#include <algorithm>
#include <vector>

#include "platform/win32.h"
#include "tests/platform/win32/fixture.h"

namespace novra {
namespace {

struct WindowsFixture {
    SHORT console_width = 0;
    SHORT console_height = 0;
    std::vector<WORD> keys_down;  // in the order pressed
    HWND unfocused = nullptr;     // the window that lost the focus to the fixture's own
    HWND settled = nullptr;       // the last window whose showing the fixture let finish
};

WindowsFixture fixture;

const WCHAR* const elsewhere_class = TEXT("org.novra.FixtureElsewhere");

HINSTANCE module() {
    return GetModuleHandleW(nullptr);
}

void dispatch_pending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

BOOL CALLBACK collect_window(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

// The top-level windows this thread made from classes of this exe (not the system's own, such as
// the input method's default window).
std::vector<HWND> own_windows() {
    std::vector<HWND> all, own;
    EnumThreadWindows(GetCurrentThreadId(), collect_window, reinterpret_cast<LPARAM>(&all));
    for (HWND window : all) {
        if (HINSTANCE(GetClassLongPtrW(window, GCLP_HMODULE)) == module()) own.push_back(window);
    }
    return own;
}

// The window a test opened: its visible top-level window.
HWND window_under_test() {
    for (HWND window : own_windows()) {
        if (IsWindowVisible(window)) return window;
    }
    return nullptr;
}

// Lets the system finish what showing the test's window set off before the first input goes to it.
// Under Wine the X focus arrives late, with a key map from the X server that knows nothing of keys
// pressed through SendInput and would release them.
HWND settled_window() {
    HWND window = window_under_test();
    if (window == fixture.settled) return window;
    fixture.settled = window;
    DWORD start = GetTickCount();
    do {
        dispatch_pending();
    } while (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) != WAIT_TIMEOUT &&
             GetTickCount() - start < 500);
    return window;
}

// A child window of the fixture's own inside the test's window that takes the keyboard focus from it:
// a focus change that stays inside the program, so Wine's X11 driver has no X focus change to act on.
HWND elsewhere_window(HWND parent) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(WNDCLASSEXW);
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = module();
    window_class.lpszClassName = elsewhere_class;
    RegisterClassExW(&window_class);  // fails harmlessly when already registered
    return CreateWindowExW(WS_EX_NOPARENTNOTIFY, elsewhere_class, TEXT("elsewhere"), WS_CHILD | WS_VISIBLE, 0,
                           0, 1, 1, parent, nullptr, module(), nullptr);
}

// Puts one key event into the system's input stream and waits (briefly) until the system's key state
// shows it, so the message is queued by the next PeekMessageW on real Windows too.
void send_key(WORD virtual_key, bool down) {
    UINT scan = MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC_EX);
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtual_key;
    input.ki.wScan = WORD(scan & 0xFF);
    input.ki.dwFlags = (down ? 0 : KEYEVENTF_KEYUP) | ((scan & 0xFF00) == 0xE000 ? KEYEVENTF_EXTENDEDKEY : 0);
    SendInput(1, &input, sizeof(INPUT));
    for (int wait = 0; wait < 100 && bool(GetAsyncKeyState(virtual_key) & 0x8000) != down; ++wait)
        Sleep(1);
}

void release_keys() {
    while (!fixture.keys_down.empty()) {
        send_key(fixture.keys_down.back(), false);
        fixture.keys_down.pop_back();
    }
}

}  // namespace

void fixture_start(int32_t, int32_t, int16_t console_width, int16_t console_height) {
    release_keys();
    dispatch_pending();
    for (HWND window : own_windows()) {
        WCHAR name[256]{};
        GetClassNameW(window, name, 256);
        DestroyWindow(window);
        UnregisterClassW(name, module());
    }
    dispatch_pending();
    FreeConsole();  // the previous test's, or the one the test runner started this exe with
    fixture = WindowsFixture{};
    fixture.console_width = console_width;
    fixture.console_height = console_height;
}

bool fixture_console_allocated() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(output, &info)) return false;
    // The window may not be larger than the buffer: shrink it first, then size the buffer.
    SMALL_RECT window{
        0, 0, SHORT(std::min<int>(fixture.console_width, info.srWindow.Right - info.srWindow.Left + 1) - 1),
        SHORT(std::min<int>(fixture.console_height, info.srWindow.Bottom - info.srWindow.Top + 1) - 1)};
    if (!SetConsoleWindowInfo(output, TRUE, &window)) return false;
    return SetConsoleScreenBufferSize(output, COORD{fixture.console_width, fixture.console_height});
}

bool fixture_wine() {
    HMODULE ntdll = GetModuleHandleW(TEXT("ntdll.dll"));
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void fixture_key(uint8_t virtual_key, bool down, bool) {
    settled_window();
    // An auto-repeat is a second press while the key is down: the system sets bit 30 from its key state.
    send_key(virtual_key, down);
    if (down) {
        fixture.keys_down.push_back(virtual_key);
    } else {
        std::erase(fixture.keys_down, WORD(virtual_key));
    }
}

void fixture_focus(bool focused) {
    dispatch_pending();
    if (!focused) {
        fixture.unfocused = settled_window();
        SetFocus(elsewhere_window(fixture.unfocused));
    } else if (fixture.unfocused) {
        SetFocus(fixture.unfocused);
    }
}

void fixture_resize(int32_t client_width, int32_t client_height) {
    dispatch_pending();
    HWND window = settled_window();
    RECT frame{0, 0, client_width, client_height};
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongW(window, GWL_EXSTYLE)));
    RECT proposed{};
    GetWindowRect(window, &proposed);
    proposed.right = proposed.left + (frame.right - frame.left);
    proposed.bottom = proposed.top + (frame.bottom - frame.top);
    // What the system's sizing loop does for a drag of the bottom-right corner.
    SendMessageW(window, WM_ENTERSIZEMOVE, 0, 0);
    SendMessageW(window, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed));
    SetWindowPos(window, nullptr, 0, 0, proposed.right - proposed.left, proposed.bottom - proposed.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(window, WM_EXITSIZEMOVE, 0, 0);
}

void fixture_close() {
    // The close button's click ends in this system command, which the default procedure turns into WM_CLOSE.
    PostMessageW(settled_window(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace novra
