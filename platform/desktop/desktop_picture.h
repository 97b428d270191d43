// The desktop driver's picture: what StretchDIBits hands it, uploaded as it is (256 x 192 for the game)
// into a streaming texture and scaled by the renderer, nearest-neighbour, into the letterbox, so the
// cost of a pass does not grow with the window.
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <vector>

#include "platform/sim/driver.h"

namespace novra {

struct DesktopPicture {
    SDL_Renderer* renderer;  // the window's; null when none could be made (nothing is drawn)
    SDL_Texture* texture;    // the last picture, at its own size
    int32_t texture_width;
    int32_t texture_height;
    StretchedPicture picture;  // where the last picture went (its bits are not kept)
    bool has_picture;
    std::vector<uint32_t> shown;  // the pixels of the last picture drawn
};

// Draws the last picture again, the bars as the window's black background: whenever the window needs
// its contents back (exposed, shown), since the texture keeps its pixels.
void desktop_picture_draw(DesktopPicture& state);

// Takes StretchDIBits' picture and draws it. The same picture in the same place is not drawn again: a
// still game costs the renderer nothing. A texture that cannot be made is said on stderr.
void desktop_picture_take(DesktopPicture& state, const StretchedPicture& picture);

// Destroys the texture (not the renderer) and forgets the picture.
void desktop_picture_release(DesktopPicture& state);

}  // namespace novra
