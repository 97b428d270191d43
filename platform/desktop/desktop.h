// The desktop driver: the program's Win32 calls served by an SDL2 window for the game window and the
// terminal it was started from for the console, with the monotonic clock for time.
#pragma once

#include "platform/win32.h"

namespace novra {

// The entry point's form, as wWinMain's: instance, previous instance, command line, show command.
using DesktopEntry = int (*)(HINSTANCE, HINSTANCE, PWSTR, int);

// Opens the desktop and runs `entry` on it (with an empty command line and SW_SHOWNORMAL), then
// gives the terminal back and closes SDL. Returns the entry's result; returns 1 with one line on
// stderr, without running the entry, when no display can be opened.
int desktop_main(DesktopEntry entry);

}  // namespace novra
