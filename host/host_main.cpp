#include <cstdio>
#include <cstring>
#include <string>

#include "console/console.h"
#include "game/commands.h"
#include "game/game.h"
#include "host/frame_history.h"
#include "host/host.h"

namespace novra {

bool running = true;
const WCHAR window_class_name[] = TEXT("org.novra.GameWindow");
HWND game_window;
HDC window_dc;
HINSTANCE host_instance;

namespace {

bool window_open() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(WNDCLASSEXW);
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = window_proc;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = host_instance;
    window_class.hIcon = nullptr;
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = nullptr;  // nothing is erased; every pass presents the whole picture
    window_class.lpszMenuName = nullptr;
    window_class.lpszClassName = window_class_name;
    window_class.hIconSm = nullptr;
    if (RegisterClassExW(&window_class) == 0) {
        std::fprintf(stderr, "NOVRA: cannot register the window class (error %u)\n",
                     unsigned(GetLastError()));
        return false;
    }

    game_window = CreateWindowExW(0, window_class_name, TEXT("NOVRA"), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  host_instance, nullptr);
    if (game_window == nullptr) {
        std::fprintf(stderr, "NOVRA: cannot create the game window (error %u)\n", unsigned(GetLastError()));
        UnregisterClassW(window_class_name, host_instance);
        return false;
    }

    // Without an input method attached, typed keys arrive as plain key messages.
    ImmAssociateContext(game_window, nullptr);
    ShowWindow(game_window, SW_SHOWNORMAL);
    window_dc = GetDC(game_window);
    RECT client{};
    GetClientRect(game_window, &client);
    key_table.client_width = client.right - client.left;
    key_table.client_height = client.bottom - client.top;
    FillRect(window_dc, &client, GetSysColorBrush(COLOR_BACKGROUND));
    return true;
}

void console_open() {
    AllocConsole();
    SetConsoleTitleW(TEXT("NOVRA DEBUG CONSOLE"));
    console_state.output = GetStdHandle(STD_OUTPUT_HANDLE);
    console_state.input = GetStdHandle(STD_INPUT_HANDLE);
    std::memset(input_line.buffer, 0, sizeof(input_line.buffer));
    GetConsoleScreenBufferInfo(console_state.output, &console_state.info);
    // The cache keeps the position just read; for a new console that is this same cell.
    SetConsoleCursorPosition(console_state.output, COORD{0, 0});
    console_write_line(TEXT("NOVRA debug console v0.1a"));
}

// The window itself goes with the process, the 1 ms timer period stays and the Game's stores live to
// the end.
void release() {
    CloseHandle(console_state.output);
    CloseHandle(console_state.input);
    FreeConsole();
    ReleaseDC(game_window, window_dc);
    UnregisterClassW(window_class_name, host_instance);
}

}  // namespace

std::string command_line_file(const WCHAR* command_line) {
    if (command_line == nullptr) return {};
    int start = 0, end = 0;
    while (command_line[end] != 0)
        ++end;
    while (start < end && command_line[start] == ' ')
        ++start;
    while (end > start && command_line[end - 1] == ' ')
        --end;
    if (end - start >= 2 && command_line[start] == '"' && command_line[end - 1] == '"') {
        ++start;
        --end;
    }
    if (start == end) return {};
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, command_line + start, end - start, nullptr, 0, nullptr, nullptr);
    std::string file(size_t(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, command_line + start, end - start, file.data(), bytes, nullptr, nullptr);
    return file;
}

void host_load_world(const WCHAR* command_line) {
    const std::string file = command_line_file(command_line);
    // As the command typed: the console shows what was loaded, or why not, and a refused file leaves
    // the world game_setup built.
    if (!file.empty()) game_command(("load " + file).c_str());
}

void host_quit() {
    running = false;
}

bool host_open(HINSTANCE instance) {
    host_instance = instance;
    if (!window_open()) return false;
    console_open();

    PlatformTable table{set_framebuffer_size, present,           console_log,  read_frame_stats, host_quit,
                        host_file_read,       host_file_replace, host_clock_us};
    game_setup(table);
    // Lines finished in the console from now on are the Game's commands.
    console_line_handler = game_typed_line;
    console_command_name = game_command_name;
    timeBeginPeriod(1);
    // Last before the loop, so the time game_setup took does not count against the first frame.
    if (!pacer_start()) {
        std::fprintf(stderr,
                     "NOVRA: no usable performance counter (frequency %lld per second); cannot pace "
                     "frames\n",
                     static_cast<long long>(frame_pacer.counter_frequency));
        release();
        return false;
    }
    return true;
}

PassTimes host_step() {
    MSG message;
    // Filtered to the game window; with no TranslateMessage no character messages are made.
    while (PeekMessageW(&message, game_window, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    const int64_t work_start = counter_read();
    game_frame();
    const int64_t present_start = counter_read();
    present_letterboxed();
    const int64_t present_end = counter_read();
    console_poll_input();
    return {present_start - work_start, present_end - present_start};
}

void host_pass() {
    const PassTimes times = host_step();
    frame_wait();
    frame_history_add(times.work_ticks, times.present_ticks);
}

bool host_pass_when_due() {
    if (!frame_due()) return false;
    const PassTimes times = host_step();
    frame_end();
    frame_history_add(times.work_ticks, times.present_ticks);
    return true;
}

void host_close() {
    game_close();
    release();
}

int host_main(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
    if (!host_open(instance)) return 1;
    host_load_world(command_line);
    while (running)
        host_pass();
    host_close();
    return 0;
}

void host_reset() {
    running = true;
    game_window = nullptr;
    window_dc = nullptr;
    host_instance = nullptr;
    dib_header = {};
    frame_pacer = {};
    frame_history = {};
    key_table = {};
}

}  // namespace novra
