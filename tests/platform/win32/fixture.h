// What the layer's tests need beyond Win32 calls: a fresh desktop, and the user's hand on the keyboard
// and the window frame. Here the scripted driver provides it; a Windows build of the same tests links
// its own version of this file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace novra {

// UTF-16 text as the Win32 calls take it on every build.
using WideText = std::basic_string<WCHAR>;

// Starts a fresh desktop with no window, no registered test class, no key held and no console, whose
// windows open with this client size where the driver can choose it (tests read it back through
// GetClientRect) and whose consoles are console_width x console_height.
void fixture_start(int32_t client_width, int32_t client_height, int16_t console_width,
                   int16_t console_height);
// Gives the console the test has just allocated the size fixture_start asked for; returns false when
// the system refuses that size.
bool fixture_console_allocated();
// True when the Win32 calls are Wine's, whose documented divergences from Windows a test then expects.
bool fixture_wine();

// The user presses or releases a key (virtual-key code); `repeat` marks an auto-repeat press.
// Takes effect by the next PeekMessageW.
void fixture_key(uint8_t virtual_key, bool down, bool repeat = false);
// The window loses or regains the keyboard focus, by the next PeekMessageW.
void fixture_focus(bool focused);
// The user drags the window's border to this client size, by the next PeekMessageW.
void fixture_resize(int32_t client_width, int32_t client_height);
// The user clicks the window's close button, by the next PeekMessageW.
void fixture_close();

}  // namespace novra
