// The message queue and the window procedure calls: PeekMessageW with its window and range filter,
// PostMessageW, SendMessageW, DispatchMessageW and the default window procedure.
#include "platform/sim/internal.h"

namespace novra {

namespace {

// Which messages a PeekMessageW filter takes: a null window takes every message of the thread, the
// value -1 only thread messages (posted with no window); a range of 0 to 0 takes every message.
bool message_matches(const MSG& message, HWND window, UINT filter_min, UINT filter_max) {
    bool window_matches =
        !window || (window == reinterpret_cast<HWND>(-1) ? !message.hwnd : message.hwnd == window);
    bool range_matches = (filter_min == 0 && filter_max == 0) ||
                         (message.message >= filter_min && message.message <= filter_max);
    return window_matches && range_matches;
}

bool is_system_entry(const MSG& entry) {
    return entry.message == queue_focus || entry.message == queue_resize;
}

void system_entry_run(const MSG& entry) {
    if (entry.message == queue_focus) window_set_focus(entry.wParam != 0);
    if (entry.message == queue_resize) window_set_client_size(int32_t(entry.wParam), int32_t(entry.lParam));
}

}  // namespace

LRESULT window_send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!window_valid(window) || !sim.window.proc) return 0;
    return sim.window.proc(window, message, wparam, lparam);
}

}  // namespace novra

using namespace novra;

BOOL WINAPI PeekMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
    if (calls_recorded()) {
        call_record("PeekMessageW", {call_handle(window), std::to_string(filter_min),
                                     std::to_string(filter_max), std::to_string(remove)});
    }
    if (sim.driver.deliver_input) sim.driver.deliver_input(true);
    if (window && window != reinterpret_cast<HWND>(-1) && !window_valid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        ++sim.empty_peeks;
        return FALSE;
    }
    // System entries ahead of the first message taken are carried out whatever the filter, as sent
    // messages are; they may queue further messages.
    for (size_t at = 0; at < sim.queue.size();) {
        MSG entry = sim.queue[at];
        if (is_system_entry(entry)) {
            sim.queue.erase(sim.queue.begin() + std::ptrdiff_t(at));
            system_entry_run(entry);
            continue;
        }
        if (!message_matches(entry, window, filter_min, filter_max)) {
            ++at;
            continue;
        }
        *message = entry;
        if (remove & PM_REMOVE) sim.queue.erase(sim.queue.begin() + std::ptrdiff_t(at));
        return TRUE;
    }
    ++sim.empty_peeks;
    return FALSE;
}

BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (calls_recorded()) {
        call_record("PostMessageW", {call_handle(window), call_message(message), std::to_string(wparam),
                                     std::to_string(lparam)});
    }
    if (window && !window_valid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    sim.queue.push_back(MSG{window, message, wparam, lparam, sim_milliseconds(), POINT{0, 0}});
    return TRUE;
}

LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (calls_recorded()) {
        call_record("SendMessageW", {call_handle(window), call_message(message), std::to_string(wparam),
                                     std::to_string(lparam)});
    }
    if (!window_valid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return window_send(window, message, wparam, lparam);
}

LRESULT WINAPI DispatchMessageW(const MSG* message) {
    if (calls_recorded()) {
        call_record("DispatchMessageW", {call_handle(message->hwnd), call_message(message->message),
                                         std::to_string(message->wParam), std::to_string(message->lParam)});
    }
    if (!message->hwnd) return 0;  // a thread message has no procedure to go to
    if (!window_valid(message->hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return window_send(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (calls_recorded()) {
        call_record("DefWindowProcW", {call_handle(window), call_message(message), std::to_string(wparam),
                                       std::to_string(lparam)});
    }
    switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case WM_CLOSE:
            if (window_valid(window)) window_destroy();
            return 0;
        case WM_SYSCOMMAND:
            if ((wparam & 0xFFF0) == SC_CLOSE) window_send(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_SYSKEYDOWN:
            // Alt+F4: bit 29 of lParam says Alt was down.
            if (wparam == VK_F4 && (lparam & (LPARAM(1) << 29)))
                window_send(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        default:
            return 0;
    }
}
