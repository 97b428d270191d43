#include "platform/web/web_picture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace novra {

PictureChange web_picture_rgba(const StretchedPicture& picture, std::vector<uint8_t>& rgba) {
    const int32_t width = std::max(picture.image_width, 0);
    const int32_t height = std::max(picture.image_height, 0);
    const size_t size = size_t(width) * size_t(height) * 4;
    const bool resized = rgba.size() != size;
    rgba.resize(size);
    int32_t left = width, right = -1, top = height, bottom = -1;
    uint8_t* out = rgba.data();
    for (int32_t row = 0; row < height; ++row) {
        const uint32_t* in =
            picture.bits + size_t(picture.bottom_up ? height - 1 - row : row) * size_t(width);
        for (int32_t column = 0; column < width; ++column, out += 4) {
            const uint32_t pixel = in[column];  // 0x00RRGGBB; the top byte is not shown
            const uint8_t bytes[4] = {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel), 255};
            if (std::memcmp(out, bytes, 4) == 0) continue;
            std::memcpy(out, bytes, 4);
            left = std::min(left, column);
            right = std::max(right, column);
            top = std::min(top, row);
            bottom = std::max(bottom, row);
        }
    }
    if (resized) return {0, 0, width, height};
    if (right < 0) return {0, 0, 0, 0};
    return {left, top, right - left + 1, bottom - top + 1};
}

void web_picture_place(const StretchedPicture& picture, int32_t place[4]) {
    place[0] = std::min(picture.dest_x, picture.dest_x + picture.dest_width);
    place[1] = std::min(picture.dest_y, picture.dest_y + picture.dest_height);
    place[2] = std::abs(picture.dest_width);
    place[3] = std::abs(picture.dest_height);
}

}  // namespace novra
