// The web driver's picture: what StretchDIBits hands it, as the page's canvas takes it. Plain functions
// of the picture, so they are tested natively like the keys and the panel.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sim/driver.h"

namespace novra {

// Writes the whole picture into `rgba` as the canvas takes it: 4 bytes a pixel (red, green, blue, 255),
// the top row first whichever way the picture lies in memory. Returns whether `rgba` changed (its size
// or any byte), so an unchanged picture is not handed to the page again. `rgba` grows only when the
// picture's size does.
bool web_picture_rgba(const StretchedPicture& picture, std::vector<uint8_t>& rgba);

// Where the canvas goes: the destination rectangle as x, y, width, height in device pixels, with a
// negative extent (a mirrored blit) turned into its positive span. The canvas always shows the whole
// picture unmirrored there, as the program blits it.
void web_picture_place(const StretchedPicture& picture, int32_t place[4]);

}  // namespace novra
