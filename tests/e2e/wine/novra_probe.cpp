// novra_probe: reaches into a running novra.exe from outside, as a second Windows process would.
//
//   novra_probe rows COUNT      prints the first COUNT rows of the game's console, trailing blanks cut
//   novra_probe size            prints the game's console buffer size: columns and rows
//   novra_probe type TEXT       types TEXT into the game's console as key records
//   novra_probe enter           presses Enter in the game's console
//   novra_probe window          prints the game window's frame and client rectangles in screen pixels
//
// The game is found by its window title. Exit status 0 on success, 1 with a message on stderr otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace novra {
namespace {

constexpr wchar_t game_window_title[] = L"NOVRA";

HWND find_game_window() {
    return FindWindowW(nullptr, game_window_title);
}

int fail(const char* what) {
    DWORD error = GetLastError();
    std::fprintf(stderr, "novra_probe: %s (error %lu)\n", what, error);
    return 1;
}

// Writes UTF-8 text to the handle the probe was started with; the standard handles change once the probe
// attaches to the game's console.
void print(HANDLE output, const std::wstring& text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    utf8 += '\n';
    DWORD written = 0;
    WriteFile(output, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

// Leaves the probe's own console and joins the one of the process that owns the game window.
bool attach_to_game_console() {
    HWND window = find_game_window();
    if (window == nullptr) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    FreeConsole();
    return AttachConsole(process) != 0;
}

HANDLE open_console(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

int print_rows(HANDLE output, int row_count) {
    if (!attach_to_game_console()) return fail("cannot attach to the game's console");
    HANDLE screen = open_console(L"CONOUT$");
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(screen, &info)) return fail("cannot read the console's size");
    for (int row = 0; row < row_count; ++row) {
        std::wstring cells(static_cast<size_t>(info.dwSize.X), L' ');
        DWORD read = 0;
        COORD at{0, static_cast<SHORT>(row)};
        if (!ReadConsoleOutputCharacterW(screen, cells.data(), info.dwSize.X, at, &read)) {
            return fail("cannot read the console's cells");
        }
        cells.resize(read);
        size_t end = cells.find_last_not_of(std::wstring(L" \0", 2));
        cells.resize(end == std::wstring::npos ? 0 : end + 1);
        print(output, cells);
    }
    return 0;
}

int print_size(HANDLE output) {
    if (!attach_to_game_console()) return fail("cannot attach to the game's console");
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(open_console(L"CONOUT$"), &info))
        return fail("cannot read the console's size");
    print(output, std::to_wstring(info.dwSize.X) + L" " + std::to_wstring(info.dwSize.Y));
    return 0;
}

INPUT_RECORD key_record(wchar_t character, WORD virtual_key, BOOL down) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
    record.Event.KeyEvent.uChar.UnicodeChar = character;
    return record;
}

// The game reads at most 8 records a frame and redraws once per batch, so a check that wants to see the
// typed text waits for it before pressing Enter in a separate call.
int type_keys(const wchar_t* text) {
    if (!attach_to_game_console()) return fail("cannot attach to the game's console");
    HANDLE input = open_console(L"CONIN$");
    for (const wchar_t* cursor = text; *cursor != L'\0'; ++cursor) {
        wchar_t character = *cursor;
        WORD virtual_key = character == L'\r' ? VK_RETURN : LOBYTE(VkKeyScanW(character));
        INPUT_RECORD press[2] = {key_record(character, virtual_key, TRUE),
                                 key_record(character, virtual_key, FALSE)};
        DWORD written = 0;
        if (!WriteConsoleInputW(input, press, 2, &written) || written != 2)
            return fail("cannot write key records");
    }
    return 0;
}

int print_window(HANDLE output) {
    HWND window = find_game_window();
    if (window == nullptr) return fail("no window titled NOVRA");
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    wchar_t text[160];
    std::swprintf(text, 160, L"frame %ld %ld %ld %ld client %ld %ld %ld %ld", frame.left, frame.top,
                  frame.right - frame.left, frame.bottom - frame.top, origin.x, origin.y, client.right,
                  client.bottom);
    print(output, text);
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: novra_probe rows COUNT | size | type TEXT | enter | window\n");
    return 2;
}

}  // namespace
}  // namespace novra

int wmain(int argc, wchar_t** argv) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (argc == 3 && std::wcscmp(argv[1], L"rows") == 0) return novra::print_rows(output, _wtoi(argv[2]));
    if (argc == 2 && std::wcscmp(argv[1], L"size") == 0) return novra::print_size(output);
    if (argc == 3 && std::wcscmp(argv[1], L"type") == 0) return novra::type_keys(argv[2]);
    if (argc == 2 && std::wcscmp(argv[1], L"enter") == 0) return novra::type_keys(L"\r");
    if (argc == 2 && std::wcscmp(argv[1], L"window") == 0) return novra::print_window(output);
    return novra::usage();
}
