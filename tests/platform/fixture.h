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

// Starts a fresh desktop whose windows open with this client size and whose console is
// console_width x console_height (tests read the sizes back through Win32 calls).
void fixture_start(int32_t client_width, int32_t client_height, int16_t console_width,
                   int16_t console_height);

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
