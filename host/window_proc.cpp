#include <cstring>

#include "host/host.h"

namespace novra {

namespace {

constexpr LPARAM previous_key_state = LPARAM(1) << 30;  // set on auto-repeat

bool key_in_table(WPARAM virtual_key) {
    return virtual_key < WPARAM(256);
}

// Takes the client size as it is now, repaints all of it (the bars included) and presents the last
// finished picture into the new letterbox. Before startup has taken the device context, its own steps
// read the size and paint, so nothing is done here.
void client_area_changed(HWND window) {
    if (window_dc == nullptr) return;
    RECT client{};
    GetClientRect(window, &client);
    key_table.client_width = client.right - client.left;
    key_table.client_height = client.bottom - client.top;
    FillRect(window_dc, &client, GetSysColorBrush(COLOR_BACKGROUND));
    present_letterboxed();
}

}  // namespace

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_KILLFOCUS:
            // A key released while another window has focus sends no key-up here.
            std::memset(key_table.keys, 0, sizeof(key_table.keys));
            return 0;
        case WM_CLOSE:
            // The window stays; the loop finishes its pass and shuts down.
            running = false;
            return 0;
        case WM_KEYDOWN:
            if (key_in_table(wparam) && (lparam & previous_key_state) == 0) key_table.keys[wparam] = 1;
            return 0;
        case WM_KEYUP:
            if (key_in_table(wparam)) key_table.keys[wparam] = 0;
            return 0;
        case WM_SYSKEYUP:
            // A key released while Alt is held comes as this instead of WM_KEYUP; dropped, the key would
            // stay held. The default procedure still gets it, for Alt+F4 and the system menu.
            if (key_in_table(wparam)) key_table.keys[wparam] = 0;
            return DefWindowProcW(window, message, wparam, lparam);
        case WM_SIZING:
            // The client rectangle still has the size before this drag step takes effect.
            client_area_changed(window);
            return TRUE;
        case WM_SIZE:
            // Maximising, restoring and resizes without a border drag send only this.
            client_area_changed(window);
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace novra
