// The desktop driver: SDL2 for the window, keyboard and focus, and its renderer to scale the picture;
// the terminal for the console; the monotonic clock and nanosleep for time.
#include <SDL2/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/desktop/desktop_picture.h"
#include "platform/desktop/key_map.h"
#include "platform/desktop/terminal.h"
#include "platform/desktop/terminal_decoder.h"
#include "platform/desktop/terminal_render.h"
#include "platform/sim/driver.h"
#include "platform/sim/text.h"

namespace novra {

namespace {

constexpr int64_t ticks_per_second = 10'000'000;  // the counter ticks in 100 ns, as Windows' usually does
constexpr int16_t buffer_rows = 500;              // console buffer height when a terminal shows it
// How long after the window gets the focus back a key still held from before must show it: by an
// auto-repeat (every 30 to 40 ms at the usual rates) or, for Shift, Ctrl and Alt, by the press SDL
// sends at once. A key not seen by then was released while another window had the keyboard.
constexpr uint32_t held_key_confirm_ms = 250;
// Console buffer for plain lines: wider than any typed line (256 code units of two columns), so that the
// line being typed always lies on the cursor's row and every row above it is finished.
constexpr int16_t lines_buffer_columns = 1024;
constexpr int16_t lines_buffer_rows = 100;

// How the console is shown: on the terminal, drawn with escapes; as plain lines on stdout when that
// is not a terminal or the terminal cannot take escapes (TERM=dumb).
enum class ConsoleView { screen, lines };

struct DesktopState {
    SDL_Window* window;
    DesktopPicture picture;  // its renderer is the window's
    ConsoleView view;
    bool reads_input;  // stdin is a terminal: typed keys become console records
    int mode_fd;       // the terminal whose mode is taken (stdin, else stdout when it is shown), or -1
    TerminalScreen screen;
    uint64_t console_shown;  // SimConsole::version last rendered
    TerminalLines lines;
    TerminalDecoder decoder;
    // Keys as the user's hand holds them, which SDL forgets when the window loses the focus.
    bool focused;
    uint32_t focus_gained_ms;  // SDL ticks when the focus last came back
    bool held_unseen[256];     // by virtual-key code: held when the focus went, not seen since
    uint8_t releases[256];     // key releases of this pump not yet reported (virtual-key codes)
    int32_t release_count;
};

DesktopState state;

int64_t monotonic_ticks() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * ticks_per_second + now.tv_nsec / 100;
}

int64_t monotonic_milliseconds() {
    return monotonic_ticks() / (ticks_per_second / 1000);
}

void monotonic_sleep(uint32_t milliseconds) {
    timespec left{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1'000'000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void picture_stretched(const StretchedPicture& picture) {
    desktop_picture_take(state.picture, picture);
}

// A fresh screen at the terminal's present size: the next render draws the whole view.
void screen_restart() {
    int16_t columns = state.screen.columns, rows = state.screen.rows;
    terminal_size(STDOUT_FILENO, columns, rows);
    state.screen = terminal_screen(columns, rows);
}

// What the signal handlers noted: a resize redraws the view at the new size; a continue after a stop
// takes the terminal again and redraws it whole.
void terminal_events() {
    bool redraw = terminal_resized();
    const bool continued = terminal_continued();
    if (state.mode_fd < 0 || !sim_console().attached) return;
    // Not taken: stopped and continued, perhaps into the background, where taking it would stop the
    // program again; tried again every pass until the program is in front.
    if (continued || !terminal_taken()) {
        if (!terminal_take_again()) return;
        redraw = true;
    }
    if (redraw && state.view == ConsoleView::screen) screen_restart();
}

void console_show() {
    SimConsole& console = sim_console();
    if (state.view == ConsoleView::lines) {
        const std::string lines = terminal_lines(state.lines, console);
        if (!lines.empty()) terminal_write(STDOUT_FILENO, lines);
        return;
    }
    if (!terminal_taken()) return;
    if (console.version == state.console_shown && !state.screen.shown.empty()) return;
    terminal_write(STDOUT_FILENO, terminal_render(state.screen, console));
    state.console_shown = console.version;
}

void console_feed() {
    if (!state.reads_input || !terminal_taken()) return;
    std::vector<INPUT_RECORD> records;
    const std::string bytes = terminal_read(STDIN_FILENO);
    const int64_t now = monotonic_milliseconds();
    if (!bytes.empty()) terminal_decode(state.decoder, bytes, now, records);
    terminal_decode_expire(state.decoder, now, records);
    for (const INPUT_RECORD& record : records)
        sim_console_record(record);
}

// SDL releases every key it holds when the window loses the focus, though the user's hand may still
// hold them, and the next auto-repeat after the focus comes back is then a fresh press (repeat 0).
// Windows keeps the physical state instead: such a press carries bit 30, the key was already down. So
// the releases SDL sends right before a focus loss are not reported; the layer keeps those keys down
// until they show up again (auto-repeat, release) or held_key_confirm_ms after the focus came back,
// when they count as released elsewhere.
void releases_report() {
    for (int32_t i = 0; i < state.release_count; ++i)
        sim_key(state.releases[i], false, false);
    state.release_count = 0;
}

void releases_keep_held() {
    for (int32_t i = 0; i < state.release_count; ++i)
        state.held_unseen[state.releases[i]] = true;
    state.release_count = 0;
}

void key_event(const SDL_KeyboardEvent& event) {
    uint8_t key = key_map_virtual_key(event.keysym.scancode, (event.keysym.mod & KMOD_NUM) != 0);
    if (key == 0) return;
    if (event.type == SDL_KEYUP && state.release_count < int32_t(sizeof(state.releases))) {
        state.releases[state.release_count++] = key;
        return;
    }
    releases_report();
    state.held_unseen[key] = false;
    sim_key(key, event.type == SDL_KEYDOWN, event.repeat != 0);
}

void held_keys_expire() {
    if (!state.focused || SDL_GetTicks() - state.focus_gained_ms < held_key_confirm_ms) return;
    for (int key = 0; key < 256; ++key) {
        if (state.held_unseen[key]) sim_key_released_elsewhere(uint8_t(key));
        state.held_unseen[key] = false;
    }
}

void window_event(const SDL_WindowEvent& event) {
    if (event.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        releases_keep_held();
    } else {
        releases_report();
    }
    switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            state.focused = true;
            state.focus_gained_ms = SDL_GetTicks();
            sim_focus(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            state.focused = false;
            sim_focus(false);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            sim_resize(event.data1, event.data2);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            sim_close();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            desktop_picture_draw(state.picture);
            break;
        default:
            break;
    }
}

void desktop_deliver(bool message_pump) {
    terminal_events();
    if (!message_pump) {
        console_feed();
        return;
    }
    console_show();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) {
            key_event(event.key);
        } else if (event.type == SDL_WINDOWEVENT) {
            window_event(event.window);
        }
    }
    releases_report();
    held_keys_expire();
}

// Waits for a key typed at the terminal (no longer than a cut-off escape sequence may wait). Without a
// terminal to read from there is nothing to wait for: the call returns at once.
void desktop_wait_console_input() {
    if (!state.reads_input || !terminal_taken()) return;
    console_show();
    terminal_wait(STDIN_FILENO, state.decoder.pending.empty() ? -1 : int(escape_wait_ms));
    console_feed();
}

void desktop_window_created() {
    SimWindow& window = sim_window();
    std::string title = utf8_from_utf16(window.title);
    state.window =
        SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, window.client_width,
                         window.client_height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    if (!state.window) std::fprintf(stderr, "novra: cannot create the window: %s\n", SDL_GetError());
    // Made while the window is hidden: SDL may replace the window by a new one for an accelerated
    // renderer, and the window shown is then the one that stays. No vsync: the pacer paces.
    if (state.window) state.picture.renderer = SDL_CreateRenderer(state.window, -1, 0);
    if (state.window && !state.picture.renderer)
        std::fprintf(stderr, "novra: cannot draw into the window: %s\n", SDL_GetError());
    SDL_StopTextInput();  // keys arrive as key messages only, as with the input method detached
}

void desktop_window_shown() {
    if (state.window) SDL_ShowWindow(state.window);
    desktop_picture_draw(state.picture);
}

void desktop_console_allocated() {
    state.lines = TerminalLines{};
    state.decoder = TerminalDecoder{};
    if (state.mode_fd >= 0) terminal_take(state.mode_fd, STDOUT_FILENO, state.view == ConsoleView::screen);
    state.screen = terminal_screen(sim_driver().console_width, sim_driver().console_window_height);
    state.console_shown = 0;
    console_show();
}

void desktop_console_freed() {
    console_show();
    terminal_restore();
}

bool variable_set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// One line naming what is missing when no display can be opened.
void report_no_display() {
    if (!variable_set("DISPLAY") && !variable_set("WAYLAND_DISPLAY")) {
        std::fprintf(stderr,
                     "novra: no display to open the window on: neither DISPLAY nor WAYLAND_DISPLAY is set\n");
        return;
    }
    const char* name = variable_set("DISPLAY") ? "DISPLAY" : "WAYLAND_DISPLAY";
    std::fprintf(stderr, "novra: cannot open the display named by %s (%s): %s\n", name, std::getenv(name),
                 SDL_GetError());
}

// Opens SDL's video on the display the environment names. SDL would otherwise try every backend,
// whose libraries print errors of their own, and fall back to one that shows nothing.
bool video_open() {
    bool asked = variable_set("SDL_VIDEODRIVER");
    if (!asked && !variable_set("DISPLAY") && !variable_set("WAYLAND_DISPLAY")) return false;
    if (!asked) SDL_SetHint(SDL_HINT_VIDEODRIVER, variable_set("WAYLAND_DISPLAY") ? "wayland,x11" : "x11");
    return SDL_Init(SDL_INIT_VIDEO) == 0;
}

}  // namespace

int desktop_main(DesktopEntry entry) {
    // Ctrl+C and SIGTERM end the program at once, as a console's default handling does, instead of
    // becoming SDL_QUIT.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!video_open()) {
        report_no_display();
        return 1;
    }
    state = DesktopState{};
    const char* term = std::getenv("TERM");
    const bool escapes = term && *term && std::strcmp(term, "dumb") != 0;
    state.view = isatty(STDOUT_FILENO) && escapes ? ConsoleView::screen : ConsoleView::lines;
    state.reads_input = isatty(STDIN_FILENO);
    state.mode_fd = state.reads_input ? STDIN_FILENO : state.view == ConsoleView::screen ? STDOUT_FILENO : -1;
    int16_t columns = lines_buffer_columns, rows = lines_buffer_rows;
    if (state.view == ConsoleView::screen) {
        columns = 80, rows = 25;
        terminal_size(STDOUT_FILENO, columns, rows);
    } else {
        // A reader of the lines that goes away ends only the lines, not the game.
        std::signal(SIGPIPE, SIG_IGN);
    }
    terminal_guard_exits();

    DriverHooks hooks{};
    hooks.default_client_width = 800;
    hooks.default_client_height = 600;
    hooks.console_width = columns;
    hooks.console_height = state.view == ConsoleView::screen ? std::max(buffer_rows, rows) : rows;
    hooks.console_window_height = rows;
    hooks.counter_frequency = ticks_per_second;
    hooks.counter_read = monotonic_ticks;
    hooks.sleep = monotonic_sleep;
    hooks.deliver_input = desktop_deliver;
    hooks.wait_console_input = desktop_wait_console_input;
    hooks.window_created = desktop_window_created;
    hooks.window_shown = desktop_window_shown;
    hooks.picture_stretched = picture_stretched;
    hooks.console_allocated = desktop_console_allocated;
    hooks.console_freed = desktop_console_freed;
    sim_reset(hooks, false);

    static WCHAR command_line[1] = {0};
    int result =
        entry(reinterpret_cast<HINSTANCE>(uintptr_t(0x400000)), nullptr, command_line, SW_SHOWNORMAL);

    terminal_restore();
    SDL_Renderer* renderer = state.picture.renderer;
    desktop_picture_release(state.picture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (state.window) SDL_DestroyWindow(state.window);
    state.window = nullptr;
    SDL_Quit();
    return result;
}

}  // namespace novra
