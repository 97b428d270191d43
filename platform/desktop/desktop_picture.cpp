#include "platform/desktop/desktop_picture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace novra {

void desktop_picture_draw(DesktopPicture& state) {
    if (!state.renderer) return;
    SDL_SetRenderDrawColor(state.renderer, 0, 0, 0, 255);  // the bars: the window's black background
    SDL_RenderClear(state.renderer);
    if (state.texture && state.has_picture) {
        const StretchedPicture& p = state.picture;
        // Texture rows are the picture's rows in memory: a bottom-up picture is drawn flipped, as is a
        // rectangle mirrored by a negative extent.
        const int32_t top = std::min(p.src_y, p.src_y + p.src_height);
        const int32_t rows = std::abs(p.src_height);
        const SDL_Rect source{std::min(p.src_x, p.src_x + p.src_width),
                              p.bottom_up ? p.image_height - top - rows : top, std::abs(p.src_width), rows};
        const SDL_Rect target{std::min(p.dest_x, p.dest_x + p.dest_width),
                              std::min(p.dest_y, p.dest_y + p.dest_height), std::abs(p.dest_width),
                              std::abs(p.dest_height)};
        const bool flip_rows = p.bottom_up != ((p.src_height < 0) != (p.dest_height < 0));
        const bool flip_columns = (p.src_width < 0) != (p.dest_width < 0);
        const int flip = (flip_rows ? SDL_FLIP_VERTICAL : 0) | (flip_columns ? SDL_FLIP_HORIZONTAL : 0);
        SDL_RenderCopyEx(state.renderer, state.texture, &source, &target, 0.0, nullptr,
                         SDL_RendererFlip(flip));
    }
    SDL_RenderPresent(state.renderer);
}

void desktop_picture_take(DesktopPicture& state, const StretchedPicture& picture) {
    if (!state.renderer) return;
    const size_t count = size_t(picture.image_width) * size_t(picture.image_height);
    const bool same_place =
        state.has_picture && picture.image_width == state.picture.image_width &&
        picture.image_height == state.picture.image_height && picture.bottom_up == state.picture.bottom_up &&
        picture.src_x == state.picture.src_x && picture.src_y == state.picture.src_y &&
        picture.src_width == state.picture.src_width && picture.src_height == state.picture.src_height &&
        picture.dest_x == state.picture.dest_x && picture.dest_y == state.picture.dest_y &&
        picture.dest_width == state.picture.dest_width && picture.dest_height == state.picture.dest_height;
    if (same_place && state.shown.size() == count &&
        std::memcmp(state.shown.data(), picture.bits, count * sizeof(uint32_t)) == 0)
        return;
    state.shown.assign(picture.bits, picture.bits + count);  // the picture's size: allocated once
    if (!state.texture || state.texture_width != picture.image_width ||
        state.texture_height != picture.image_height) {
        if (state.texture) SDL_DestroyTexture(state.texture);
        state.texture = SDL_CreateTexture(state.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                          picture.image_width, picture.image_height);
        state.texture_width = picture.image_width;
        state.texture_height = picture.image_height;
        if (!state.texture) {
            std::fprintf(stderr, "novra: cannot make the picture's texture: %s\n", SDL_GetError());
            return;
        }
        SDL_SetTextureScaleMode(state.texture, SDL_ScaleModeNearest);
    }
    SDL_UpdateTexture(state.texture, nullptr, picture.bits, picture.image_width * int(sizeof(uint32_t)));
    state.picture = picture;
    state.picture.bits = nullptr;  // valid only during the call; the texture holds the pixels
    state.has_picture = true;
    desktop_picture_draw(state);
}

void desktop_picture_release(DesktopPicture& state) {
    if (state.texture) SDL_DestroyTexture(state.texture);
    state = DesktopPicture{};
}

}  // namespace novra
