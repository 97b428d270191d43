// The desktop driver without a display: one clear line and exit status 1, the entry never run. And its
// keyboard as SDL drives it, on SDL's display-less dummy video driver with SDL's events pushed by hand.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"

namespace novra {
namespace {

bool entry_ran = false;

int entry(HINSTANCE, HINSTANCE, PWSTR, int) {
    entry_ran = true;
    return 0;
}

TEST(DesktopDriver, WithoutADisplayReturnsOneAndNamesWhatIsMissing) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    ::testing::internal::CaptureStderr();
    int status = desktop_main(entry);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(entry_ran);
    EXPECT_NE(said.find("DISPLAY"), std::string::npos);
    EXPECT_NE(said.find("WAYLAND_DISPLAY"), std::string::npos);
    EXPECT_EQ(said.find('\n'), said.size() - 1);  // exactly one line
}

struct KeySeen {
    UINT message;
    WPARAM key;
    bool was_down;  // bit 30
};
std::vector<KeySeen> keys_seen;

LRESULT CALLBACK key_recorder(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP ||
        message == WM_KILLFOCUS || message == WM_SETFOCUS)
        keys_seen.push_back(KeySeen{message, wparam, (lparam & (LPARAM(1) << 30)) != 0});
    return DefWindowProcW(window, message, wparam, lparam);
}

void push_key(SDL_Scancode scancode, bool down, bool repeat = false) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = KMOD_NUM;
    SDL_PushEvent(&event);
}

void push_focus(bool gained) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&event);
}

// What the window procedure received from the input pushed since the last call.
std::vector<KeySeen> pump(HWND window) {
    keys_seen.clear();
    MSG message;
    while (PeekMessageW(&message, window, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    return keys_seen;
}

bool operator==(const KeySeen& a, const KeySeen& b) {
    return a.message == b.message && a.key == b.key && a.was_down == b.was_down;
}

std::vector<std::vector<KeySeen>> focus_steps;

// SDL releases every key when the window loses the focus (key-ups, then the focus event) and forgets
// them; a key still held then auto-repeats with repeat 0 once the focus is back.
int focus_entry(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(WNDCLASSEXW);
    window_class.lpfnWndProc = key_recorder;
    window_class.hInstance = instance;
    window_class.lpszClassName = TEXT("org.novra.test.Keys");
    RegisterClassExW(&window_class);
    HWND window =
        CreateWindowExW(0, window_class.lpszClassName, TEXT("keys"), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    push_focus(true);
    pump(window);

    // Held through the focus loss: the press after it is an auto-repeat.
    push_key(SDL_SCANCODE_RIGHT, true);
    push_key(SDL_SCANCODE_RIGHT, false);
    push_focus(false);
    push_focus(true);
    push_key(SDL_SCANCODE_RIGHT, true);
    push_key(SDL_SCANCODE_RIGHT, false);
    focus_steps.push_back(pump(window));

    // Alt and Down held when the focus went (Alt+Tab) and let go in the other window: a while after the
    // focus is back, keys are plain keys again and Down is pressed anew.
    push_key(SDL_SCANCODE_LALT, true);
    push_key(SDL_SCANCODE_DOWN, true);
    pump(window);
    push_key(SDL_SCANCODE_DOWN, false);
    push_key(SDL_SCANCODE_LALT, false);
    push_focus(false);
    push_focus(true);
    pump(window);
    SDL_Delay(400);
    pump(window);
    push_key(SDL_SCANCODE_DOWN, true);
    push_key(SDL_SCANCODE_DOWN, false);
    focus_steps.push_back(pump(window));
    return 0;
}

TEST(DesktopDriver, KeysHeldOverAFocusLossStayDownUntilSeenReleased) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    focus_steps.clear();
    EXPECT_EQ(desktop_main(focus_entry), 0);
    unsetenv("SDL_VIDEODRIVER");
    ASSERT_EQ(focus_steps.size(), 2u);
    EXPECT_EQ(focus_steps[0], (std::vector<KeySeen>{{WM_KEYDOWN, VK_RIGHT, false},
                                                    {WM_KILLFOCUS, 0, false},
                                                    {WM_SETFOCUS, 0, false},
                                                    {WM_KEYDOWN, VK_RIGHT, true},
                                                    {WM_KEYUP, VK_RIGHT, true}}));
    EXPECT_EQ(focus_steps[1],
              (std::vector<KeySeen>{{WM_KEYDOWN, VK_DOWN, false}, {WM_KEYUP, VK_DOWN, true}}));
}

}  // namespace
}  // namespace novra
