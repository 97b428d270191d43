// The window, its class and its messages: registration rules, the queue's filters and order,
// dispatch to the class's procedure, the default procedure's close path, keyboard lParam bits, focus
// and sizing, checked through Win32 calls only.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32.h"
#include "tests/platform/win32/fixture.h"

namespace novra {
namespace {

struct Seen {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    RECT client;  // GetClientRect at the time the procedure ran
};

std::vector<Seen> seen;
LRESULT close_result = 0;

LRESULT CALLBACK recording_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    RECT client{};
    GetClientRect(window, &client);
    seen.push_back(Seen{message, wparam, lparam, client});
    if (message == WM_CLOSE) return close_result;
    if (message == WM_USER) return LRESULT(wparam * 2);
    // Alt or F10 alone asks for the keyboard menu; on Windows the default procedure then runs a modal
    // menu loop that waits for the user, and the test window has no menu to offer.
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_KEYMENU) return 0;
    return DefWindowProcW(window, message, wparam, lparam);
}

const WCHAR* const class_name = TEXT("org.novra.PlatformTest");

WNDCLASSEXW test_class() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(WNDCLASSEXW);
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = recording_proc;
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.lpszClassName = class_name;
    return window_class;
}

// A fresh desktop with the test class and a shown window; the messages of creation are forgotten.
HWND window_open() {
    fixture_start(320, 240, 20, 5);
    WNDCLASSEXW window_class = test_class();
    EXPECT_NE(RegisterClassExW(&window_class), 0);
    HWND window =
        CreateWindowExW(0, class_name, TEXT("NOVRA"), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG message;
    while (PeekMessageW(&message, window, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    seen.clear();
    close_result = 0;
    return window;
}

// Pumps the window's messages as the Host does; returns what its procedure received.
std::vector<Seen> pump(HWND window) {
    MSG message;
    while (PeekMessageW(&message, window, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    std::vector<Seen> received = seen;
    seen.clear();
    return received;
}

std::vector<Seen> only(const std::vector<Seen>& received, std::initializer_list<UINT> messages) {
    std::vector<Seen> kept;
    for (const Seen& s : received) {
        for (UINT m : messages) {
            if (s.message == m) kept.push_back(s);
        }
    }
    return kept;
}

TEST(WindowClass, RegistrationRefusesDuplicatesAndWrongSizes) {
    fixture_start(320, 240, 20, 5);
    WNDCLASSEXW window_class = test_class();
    window_class.cbSize = sizeof(WNDCLASSEXW) + 4;
    EXPECT_EQ(RegisterClassExW(&window_class), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    window_class.cbSize = sizeof(WNDCLASSEXW);
    EXPECT_NE(RegisterClassExW(&window_class), 0);
    EXPECT_EQ(RegisterClassExW(&window_class), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    EXPECT_TRUE(UnregisterClassW(class_name, nullptr));
    EXPECT_FALSE(UnregisterClassW(class_name, nullptr));
}

TEST(Window, CreationGivesTitleAClientAreaAndFocusOnShow) {
    HWND window = window_open();
    WCHAR title[16]{};
    EXPECT_EQ(GetWindowTextW(window, title, 16), 5);
    EXPECT_EQ(WideText(title), TEXT("NOVRA"));
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_GT(client.right, 0);
    EXPECT_GT(client.bottom, 0);
    EXPECT_FALSE(UnregisterClassW(class_name, nullptr));  // the window still uses it
}

TEST(Messages, PeekFiltersByWindowAndRangeAndKeepsOrder) {
    HWND window = window_open();
    ASSERT_TRUE(PostMessageW(window, WM_USER + 1, 1, 0));
    ASSERT_TRUE(PostMessageW(nullptr, WM_USER + 2, 2, 0));  // a thread message
    ASSERT_TRUE(PostMessageW(window, WM_USER + 3, 3, 0));
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, window, WM_USER + 3, WM_USER + 3, PM_NOREMOVE));
    EXPECT_EQ(message.wParam, 3u);
    ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_USER + 1);
    EXPECT_EQ(message.hwnd, window);
    ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_USER + 3);
    EXPECT_FALSE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));  // the thread message is not the window's
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_USER + 2);
    EXPECT_EQ(message.hwnd, nullptr);
}

TEST(Messages, DispatchCallsTheClassProcedureAndReturnsItsResult) {
    HWND window = window_open();
    ASSERT_TRUE(PostMessageW(window, WM_USER, 21, 5));
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageW(&message), 42);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].lparam, 5);
    EXPECT_EQ(SendMessageW(window, WM_USER, 4, 0), 8);
}

TEST(Messages, CloseButtonReachesTheProcedureAsWmCloseThroughTheDefaultProcedure) {
    HWND window = window_open();
    close_result = 0;  // the procedure keeps the window, as the Host does
    fixture_close();
    std::vector<Seen> received = only(pump(window), {WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY});
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, WM_SYSCOMMAND);
    EXPECT_EQ(received[0].wparam & 0xFFF0, SC_CLOSE);
    EXPECT_EQ(received[1].message, WM_CLOSE);
    RECT client{};
    EXPECT_TRUE(GetClientRect(window, &client));  // not destroyed
}

TEST(Keyboard, KeyMessagesCarryRepeatCountScanCodeAndTransitionBits) {
    HWND window = window_open();
    fixture_key(VK_LEFT, true);
    fixture_key(VK_LEFT, true, true);
    fixture_key(VK_LEFT, true);  // pressed again without a repeat flag: the key was down all the same
    fixture_key(VK_LEFT, false);
    std::vector<Seen> received = only(pump(window), {WM_KEYDOWN, WM_KEYUP});
    ASSERT_EQ(received.size(), 4u);
    const LPARAM bit30 = LPARAM(1) << 30, bit31 = LPARAM(1) << 31;
    EXPECT_EQ(received[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(received[0].wparam, WPARAM(VK_LEFT));
    EXPECT_EQ(received[0].lparam & 0xFFFF, 1);
    EXPECT_EQ((received[0].lparam >> 16) & 0xFF, 0x4B);
    EXPECT_EQ(received[0].lparam & (bit30 | bit31), 0);
    EXPECT_EQ(received[1].lparam & (bit30 | bit31), bit30);
    EXPECT_EQ(received[2].lparam & (bit30 | bit31), bit30);
    EXPECT_EQ(received[3].message, UINT(WM_KEYUP));
    EXPECT_EQ(received[3].lparam & (bit30 | bit31), bit30 | bit31);
    EXPECT_EQ(received[3].lparam & 0xFFFF, 1);
}

TEST(Keyboard, AltCombinationsAndF10AreSystemKeys) {
    HWND window = window_open();
    struct Case {
        uint8_t key;
        bool with_alt;
        UINT down_message;
        bool context_bit;
    };
    const Case cases[] = {
        {'A', false, WM_KEYDOWN, false},
        {'A', true, WM_SYSKEYDOWN, true},
        {VK_F10, false, WM_SYSKEYDOWN, false},
        {VK_UP, false, WM_KEYDOWN, false},
    };
    for (const Case& c : cases) {
        if (c.with_alt) fixture_key(VK_LMENU, true);
        fixture_key(c.key, true);
        fixture_key(c.key, false);
        if (c.with_alt) fixture_key(VK_LMENU, false);
        std::vector<Seen> received = only(pump(window), {WM_KEYDOWN, WM_SYSKEYDOWN});
        ASSERT_FALSE(received.empty());
        const Seen& down = received.back();
        EXPECT_EQ(down.wparam, WPARAM(c.key));
        EXPECT_EQ(down.message, c.down_message) << int(c.key);
        EXPECT_EQ(bool(down.lparam & (LPARAM(1) << 29)), c.context_bit) << int(c.key);
    }
}

// Windows sends the release of a key let go while Alt is held as a system key-up, not as WM_KEYUP.
TEST(Keyboard, AKeyReleasedWhileAltIsHeldIsASystemKeyUp) {
    HWND window = window_open();
    fixture_key(VK_RIGHT, true);
    fixture_key(VK_LMENU, true);
    fixture_key(VK_RIGHT, false);
    fixture_key(VK_LMENU, false);
    std::vector<Seen> received = only(pump(window), {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP});
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(received[1].message, UINT(WM_SYSKEYDOWN));
    EXPECT_EQ(received[1].wparam, WPARAM(VK_MENU));
    EXPECT_EQ(received[2].message, UINT(WM_SYSKEYUP));
    EXPECT_EQ(received[2].wparam, WPARAM(VK_RIGHT));
    EXPECT_NE(received[2].lparam & (LPARAM(1) << 29), 0);  // Alt held
    EXPECT_EQ(received[3].wparam, WPARAM(VK_MENU));
}

TEST(Keyboard, AltF4ClosesThroughTheSystemCommand) {
    HWND window = window_open();
    fixture_key(VK_LMENU, true);
    fixture_key(VK_F4, true);
    std::vector<Seen> received = only(pump(window), {WM_SYSCOMMAND, WM_CLOSE});
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].wparam & 0xFFF0, SC_CLOSE);
    EXPECT_EQ(received[1].message, WM_CLOSE);
}

TEST(Keyboard, FocusLossSendsKillFocusAndKeysThenGoElsewhere) {
    HWND window = window_open();
    fixture_key(VK_RIGHT, true);
    fixture_focus(false);
    fixture_key(VK_RIGHT, true, true);
    fixture_focus(true);
    fixture_key(VK_RIGHT, true);  // no repeat flag: a driver may have forgotten the key over the focus loss
    std::vector<Seen> received = only(pump(window), {WM_KEYDOWN, WM_KILLFOCUS, WM_SETFOCUS});
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(received[1].message, UINT(WM_KILLFOCUS));
    EXPECT_EQ(received[2].message, UINT(WM_SETFOCUS));
    EXPECT_EQ(received[3].message, UINT(WM_KEYDOWN));
    EXPECT_NE(received[3].lparam & (LPARAM(1) << 30), 0);  // the key was down all along
}

TEST(Sizing, WmSizingSeesTheOldClientSizeAndWmSizeTheNew) {
    HWND window = window_open();
    RECT before{};
    ASSERT_TRUE(GetClientRect(window, &before));
    fixture_resize(before.right + 40, before.bottom + 30);
    std::vector<Seen> received = only(pump(window), {WM_SIZING, WM_SIZE});
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received.front().message, UINT(WM_SIZING));
    EXPECT_EQ(received.front().client.right, before.right);
    EXPECT_EQ(received.front().client.bottom, before.bottom);
    const Seen& sized = received.back();
    EXPECT_EQ(sized.message, UINT(WM_SIZE));
    EXPECT_EQ(LOWORD(ULONG_PTR(sized.lparam)), before.right + 40);
    EXPECT_EQ(HIWORD(ULONG_PTR(sized.lparam)), before.bottom + 30);
    RECT after{};
    ASSERT_TRUE(GetClientRect(window, &after));
    EXPECT_EQ(after.right, before.right + 40);
    EXPECT_EQ(after.bottom, before.bottom + 30);
}

TEST(Window, InputMethodDetachReturnsThePreviousContext) {
    HWND window = window_open();
    HIMC previous = ImmAssociateContext(window, nullptr);
    EXPECT_NE(previous, nullptr);
    EXPECT_EQ(ImmAssociateContext(window, previous), nullptr);
}

}  // namespace
}  // namespace novra
