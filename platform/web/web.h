// The web driver: the program's Win32 calls served by a page. The game window is the area #game, its
// picture the canvas #canvas in it,
// the console the text panel #console with its title in #console-title, keys come from the page and
// time from performance.now(). The browser must get control back after every frame, so the program
// runs as calls from the page's animation frames instead of a loop of its own.
#pragma once

#include "platform/win32.h"

namespace novra {

// The program, in the calls the page makes.
struct WebProgram {
    // Opens the window and the console and sets up the program; false when it cannot run.
    bool (*open)(HINSTANCE instance);
    // One pass: `paced`, from an animation frame, only when the frame grid says one is due; otherwise
    // at once (the last pass as the page closes). Returns whether the program runs on.
    bool (*pass)(bool paced);
    // Releases what open took, after the last pass.
    void (*close)();
};

// Sets the page's events up and returns at once; the program opens at the first animation frame, so
// its frame grid starts on the display's beat, then passes from every animation frame until it ends
// (WM_CLOSE clears its run flag) or the page closes, which closes the program as closing the window
// does. Returns 0; the program's own result is not reported, since the page outlives main().
int web_main(WebProgram program);

}  // namespace novra
