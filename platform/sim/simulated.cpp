// The one simulation record, its reset, the last error and the call record.
#include "platform/sim/internal.h"

#include <cstdio>

#include "platform/sim/text.h"

namespace novra {

Simulation sim;

SimWindow& sim_window() {
    return sim.window;
}
SimConsole& sim_console() {
    return sim.console;
}
uint64_t sim_empty_peeks() {
    return sim.empty_peeks;
}
std::vector<std::string>& sim_calls() {
    return sim.calls;
}
DriverHooks& sim_driver() {
    return sim.driver;
}

namespace {

// Fixed handle values, so that the same script gives the same record.
constexpr uintptr_t console_output_value = 0x54;
constexpr uintptr_t console_input_value = 0x50;

}  // namespace

void sim_reset(const DriverHooks& driver, bool record_calls) {
    sim.driver = driver;
    sim.classes.clear();
    sim.next_atom = 0xC000;
    sim.windows_created = 0;
    sim.window = SimWindow{};
    sim.queue.clear();
    sim.empty_peeks = 0;
    for (bool& key : sim.keys_down)
        key = false;
    sim.console = SimConsole{};
    sim.last_error = ERROR_SUCCESS;
    files_reset();
    sim.record_calls = record_calls;
    sim.calls.clear();
}

HANDLE console_output_handle() {
    return reinterpret_cast<HANDLE>(console_output_value);
}
HANDLE console_input_handle() {
    return reinterpret_cast<HANDLE>(console_input_value);
}

DWORD sim_milliseconds() {
    const DriverHooks& driver = sim.driver;
    if (!driver.counter_read || driver.counter_frequency <= 0) return 0;
    return DWORD(driver.counter_read() * 1000 / driver.counter_frequency);
}

void call_record(const char* name, std::initializer_list<std::string> arguments) {
    std::string entry = name;
    for (const std::string& argument : arguments) {
        entry += ' ';
        entry += argument;
    }
    sim.calls.push_back(std::move(entry));
}

std::string call_text(LPCWSTR text) {
    if (!text) return "null";
    uintptr_t value = reinterpret_cast<uintptr_t>(text);
    if (value < 0x10000) return "#" + std::to_string(value);
    return utf8_from_utf16(text);
}

std::string call_handle(const void* handle) {
    if (!handle) return "null";
    if (handle == sim.window.handle) return "hwnd";
    if (handle == console_output_handle()) return "conout";
    if (handle == console_input_handle()) return "conin";
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return text;
}

std::string call_message(UINT message) {
    struct Named {
        UINT message;
        const char* name;
    };
    static const Named names[] = {
        {WM_CREATE, "WM_CREATE"},
        {WM_DESTROY, "WM_DESTROY"},
        {WM_SIZE, "WM_SIZE"},
        {WM_SETFOCUS, "WM_SETFOCUS"},
        {WM_KILLFOCUS, "WM_KILLFOCUS"},
        {WM_CLOSE, "WM_CLOSE"},
        {WM_QUIT, "WM_QUIT"},
        {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
        {WM_NCCREATE, "WM_NCCREATE"},
        {WM_NCDESTROY, "WM_NCDESTROY"},
        {WM_KEYDOWN, "WM_KEYDOWN"},
        {WM_KEYUP, "WM_KEYUP"},
        {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
        {WM_SYSKEYUP, "WM_SYSKEYUP"},
        {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
        {WM_SIZING, "WM_SIZING"},
    };
    for (const Named& named : names) {
        if (named.message == message) return named.name;
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", message);
    return text;
}

}  // namespace novra

using namespace novra;

DWORD WINAPI GetLastError() {
    return sim.last_error;
}

void WINAPI SetLastError(DWORD error) {
    sim.last_error = error;
}
