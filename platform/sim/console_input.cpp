// The console's input record queue: PeekConsoleInputW never waits, ReadConsoleInputW takes up to the
// count asked, WriteConsoleInputW appends.
#include <algorithm>

#include "platform/sim/internal.h"

namespace novra {

namespace {

bool input_valid(HANDLE handle) {
    const SimConsole& console = sim.console;
    return handle == console_input_handle() && console.attached && console.input_open;
}

// Copies up to `length` queued records; removes them when `take` is set. Returns the count.
DWORD input_copy(PINPUT_RECORD records, DWORD length, bool take) {
    std::deque<INPUT_RECORD>& input = sim.console.input;
    DWORD count = DWORD(std::min<size_t>(length, input.size()));
    std::copy_n(input.begin(), count, records);
    if (take) input.erase(input.begin(), input.begin() + count);
    return count;
}

}  // namespace

void sim_console_record(const INPUT_RECORD& record) {
    if (sim.console.attached) sim.console.input.push_back(record);
}

}  // namespace novra

using namespace novra;

BOOL WINAPI PeekConsoleInputW(HANDLE input, PINPUT_RECORD records, DWORD length, LPDWORD read) {
    if (calls_recorded()) call_record("PeekConsoleInputW", {call_handle(input), std::to_string(length)});
    if (read) *read = 0;
    if (!input_valid(input)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (sim.driver.deliver_input) sim.driver.deliver_input(false);
    DWORD count = input_copy(records, length, false);
    if (read) *read = count;
    return TRUE;
}

BOOL WINAPI ReadConsoleInputW(HANDLE input, PINPUT_RECORD records, DWORD length, LPDWORD read) {
    if (calls_recorded()) call_record("ReadConsoleInputW", {call_handle(input), std::to_string(length)});
    if (read) *read = 0;
    if (!input_valid(input)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (sim.driver.deliver_input) sim.driver.deliver_input(false);
    if (sim.console.input.empty() && length > 0 && sim.driver.wait_console_input) {
        sim.driver.wait_console_input();
    }
    DWORD count = input_copy(records, length, true);
    if (read) *read = count;
    return TRUE;
}

BOOL WINAPI WriteConsoleInputW(HANDLE input, const INPUT_RECORD* records, DWORD length, LPDWORD written) {
    if (calls_recorded()) call_record("WriteConsoleInputW", {call_handle(input), std::to_string(length)});
    if (written) *written = 0;
    if (!input_valid(input)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    sim.console.input.insert(sim.console.input.end(), records, records + length);
    if (written) *written = length;
    return TRUE;
}
