// The web driver's picture: what StretchDIBits hands it, as the page's canvas takes it. Plain functions
// of the picture, so they are tested natively like the keys and the panel.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sim/driver.h"

namespace novra {

// The pixels of the picture that changed since it was last written: the smallest rectangle holding
// them, in picture pixels from the top-left corner; width and height 0 when nothing changed.
struct PictureChange {
    int32_t x, y;
    int32_t width, height;
};

// Writes the whole picture into `rgba` as the canvas takes it: 4 bytes a pixel (red, green, blue, 255),
// the top row first whichever way the picture lies in memory. Returns what changed: the whole picture
// when its size did, else the rectangle around the bytes that differ, so the page redraws only that
// part of the canvas and an unchanged picture not at all. `rgba` grows only when the picture's size
// does.
PictureChange web_picture_rgba(const StretchedPicture& picture, std::vector<uint8_t>& rgba);

// Where the canvas goes: the destination rectangle as x, y, width, height in device pixels, with a
// negative extent (a mirrored blit) turned into its positive span. The canvas always shows the whole
// picture unmirrored there, as the program blits it.
void web_picture_place(const StretchedPicture& picture, int32_t place[4]);

}  // namespace novra
