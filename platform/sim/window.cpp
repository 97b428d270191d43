// Window classes and the one window: registration, creation, showing, the client rectangle and the
// size changes a driver reports.
#include <algorithm>
#include <cstring>

#include "platform/sim/internal.h"

namespace novra {

namespace {

// Class names compare without regard to ASCII case, as Windows' do.
bool class_name_equal(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

// Finds a class by name or by atom (a "string" below 0x10000 is an atom).
WindowClass* class_find(LPCWSTR name) {
    uintptr_t value = reinterpret_cast<uintptr_t>(name);
    for (WindowClass& window_class : sim.classes) {
        if (value < 0x10000 ? window_class.atom == value : class_name_equal(window_class.name, name)) {
            return &window_class;
        }
    }
    return nullptr;
}

const uintptr_t arrow_cursor_value = 0x10003;
const uintptr_t default_input_context_value = 0x20001;

}  // namespace

bool window_valid(HWND window) {
    return window && sim.window.exists && window == sim.window.handle;
}

void window_destroy() {
    SimWindow& window = sim.window;
    if (!window.exists) return;
    window_send(window.handle, WM_DESTROY, 0, 0);
    window_send(window.handle, WM_NCDESTROY, 0, 0);
    window.exists = false;
    std::erase_if(sim.queue, [&](const MSG& message) { return message.hwnd == window.handle; });
}

void window_set_client_size(int32_t client_width, int32_t client_height) {
    SimWindow& window = sim.window;
    client_width = std::max(client_width, 0);
    client_height = std::max(client_height, 0);
    if (!window.exists || (client_width == window.client_width && client_height == window.client_height))
        return;
    // The drag rectangle, in screen coordinates with the window at the origin.
    RECT drag{0, 0, client_width, client_height};
    window_send(window.handle, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&drag));
    std::vector<uint32_t> pixels(client_bitmap_kept() ? size_t(client_width) * size_t(client_height) : 0, 0);
    int32_t kept_width = client_bitmap_kept() ? std::min(client_width, window.client_width) : 0;
    // With no column to keep (either bitmap 0 wide) no row is copied: it may have no pixel at all.
    int32_t kept_height = kept_width > 0 ? std::min(client_height, window.client_height) : 0;
    for (int32_t row = 0; row < kept_height; ++row) {
        std::memcpy(&pixels[size_t(row) * size_t(client_width)],
                    &window.pixels[size_t(row) * size_t(window.client_width)],
                    size_t(kept_width) * sizeof(uint32_t));
    }
    window.pixels = std::move(pixels);
    window.client_width = client_width;
    window.client_height = client_height;
    ++window.pixels_version;
    sim.queue.push_back(MSG{window.handle, WM_SIZE, SIZE_RESTORED,
                            MAKELPARAM(WORD(client_width), WORD(client_height)), sim_milliseconds(),
                            POINT{0, 0}});
}

void sim_resize(int32_t client_width, int32_t client_height) {
    SimWindow& window = sim.window;
    if (!window.exists) return;
    sim.queue.push_back(MSG{window.handle, queue_resize, WPARAM(client_width), LPARAM(client_height),
                            sim_milliseconds(), POINT{0, 0}});
}

void sim_close() {
    SimWindow& window = sim.window;
    if (!window.exists) return;
    sim.queue.push_back(MSG{window.handle, WM_SYSCOMMAND, SC_CLOSE, 0, sim_milliseconds(), POINT{0, 0}});
}

}  // namespace novra

using namespace novra;

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* window_class) {
    if (calls_recorded()) {
        call_record("RegisterClassExW", {window_class ? std::to_string(window_class->cbSize) : "null",
                                         window_class ? std::to_string(window_class->style) : "",
                                         window_class ? call_text(window_class->lpszClassName) : ""});
    }
    if (!window_class || window_class->cbSize != sizeof(WNDCLASSEXW) || !window_class->lpfnWndProc ||
        !window_class->lpszClassName || reinterpret_cast<uintptr_t>(window_class->lpszClassName) < 0x10000 ||
        window_class->cbClsExtra < 0 || window_class->cbWndExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (class_find(window_class->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WindowClass& added = sim.classes.emplace_back(WindowClass{window_class->lpszClassName, *window_class, 0});
    added.record.lpszClassName = added.name.c_str();
    added.record.lpszMenuName = nullptr;
    added.atom = sim.next_atom++;
    return added.atom;
}

BOOL WINAPI UnregisterClassW(LPCWSTR class_name, HINSTANCE instance) {
    if (calls_recorded()) call_record("UnregisterClassW", {call_text(class_name), call_handle(instance)});
    WindowClass* found = class_name ? class_find(class_name) : nullptr;
    if (!found || found->record.hInstance != instance) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (sim.window.exists && class_name_equal(sim.window.class_name, found->name)) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    std::erase_if(sim.classes, [&](const WindowClass& window_class) { return &window_class == found; });
    return TRUE;
}

HWND WINAPI CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param) {
    if (calls_recorded()) {
        call_record(
            "CreateWindowExW",
            {std::to_string(ex_style), call_text(class_name), call_text(window_name), std::to_string(style),
             std::to_string(x), std::to_string(y), std::to_string(width), std::to_string(height),
             call_handle(parent), call_handle(menu), call_handle(instance), call_handle(param)});
    }
    WindowClass* window_class = class_name ? class_find(class_name) : nullptr;
    if (!window_class) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (sim.window.exists) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);  // the subset has one window
        return nullptr;
    }
    SimWindow& window = sim.window;
    window = SimWindow{};
    window.exists = true;
    window.handle = reinterpret_cast<HWND>(uintptr_t(0x10000 + 0x10 * ++sim.windows_created));
    window.title = window_name ? window_name : u"";
    window.class_name = window_class->name;
    window.proc = window_class->record.lpfnWndProc;
    window.visible = (style & WS_VISIBLE) != 0;
    window.input_context = reinterpret_cast<HIMC>(default_input_context_value);
    window.client_width = width == CW_USEDEFAULT ? sim.driver.default_client_width : std::max(width, 0);
    window.client_height = width == CW_USEDEFAULT ? sim.driver.default_client_height : std::max(height, 0);
    if (client_bitmap_kept())
        window.pixels.assign(size_t(window.client_width) * size_t(window.client_height), 0);
    if (sim.driver.window_created) sim.driver.window_created();

    CREATESTRUCTW create{param, instance, menu,        parent,      window.client_height, window.client_width,
                         y,     x,        LONG(style), window_name, class_name,           ex_style};
    HWND handle = window.handle;
    bool created = window_send(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) != 0 &&
                   window_send(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) != -1;
    if (!created) {
        window_destroy();
        return nullptr;
    }
    return handle;
}

BOOL WINAPI DestroyWindow(HWND window) {
    if (calls_recorded()) call_record("DestroyWindow", {call_handle(window)});
    if (!window_valid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    window_destroy();
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND handle, int show_command) {
    if (calls_recorded()) call_record("ShowWindow", {call_handle(handle), std::to_string(show_command)});
    if (!window_valid(handle)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    SimWindow& window = sim.window;
    bool was_visible = window.visible;
    bool show = show_command != SW_HIDE;
    if (show != was_visible) {
        window.visible = show;
        window_send(handle, WM_SHOWWINDOW, show, 0);
        if (show && sim.driver.window_shown) sim.driver.window_shown();
    }
    // Showing a new top-level window activates it, and with it comes the keyboard focus.
    if (show && !window.focused) window_set_focus(true);
    return was_visible;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursor_name) {
    if (calls_recorded()) {
        uintptr_t value = reinterpret_cast<uintptr_t>(cursor_name);
        call_record("LoadCursorA",
                    {call_handle(instance), value < 0x10000 ? "#" + std::to_string(value) : cursor_name});
    }
    if (instance || cursor_name != IDC_ARROW) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HCURSOR>(arrow_cursor_value);
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    if (calls_recorded()) call_record("GetClientRect", {call_handle(window)});
    if (!window_valid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, sim.window.client_width, sim.window.client_height};
    return TRUE;
}

int WINAPI GetWindowTextW(HWND window, LPWSTR text, int max_count) {
    if (calls_recorded()) call_record("GetWindowTextW", {call_handle(window), std::to_string(max_count)});
    if (!window_valid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!text || max_count <= 0) return 0;
    const std::u16string& title = sim.window.title;
    size_t copied = std::min(title.size(), size_t(max_count - 1));
    std::memcpy(text, title.data(), copied * sizeof(char16_t));
    text[copied] = 0;
    return int(copied);
}

HIMC WINAPI ImmAssociateContext(HWND window, HIMC context) {
    if (calls_recorded()) call_record("ImmAssociateContext", {call_handle(window), call_handle(context)});
    if (!window_valid(window)) return nullptr;
    HIMC previous = sim.window.input_context;
    sim.window.input_context = context;
    return previous;
}
