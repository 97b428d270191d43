#include "platform/web/web_picture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace novra {

bool web_picture_rgba(const StretchedPicture& picture, std::vector<uint8_t>& rgba) {
    const size_t width = size_t(std::max(picture.image_width, 0));
    const size_t height = size_t(std::max(picture.image_height, 0));
    bool changed = rgba.size() != width * height * 4;
    rgba.resize(width * height * 4);
    uint8_t* out = rgba.data();
    for (size_t row = 0; row < height; ++row) {
        const uint32_t* in = picture.bits + (picture.bottom_up ? height - 1 - row : row) * width;
        for (size_t column = 0; column < width; ++column, out += 4) {
            const uint32_t pixel = in[column];  // 0x00RRGGBB; the top byte is not shown
            const uint8_t bytes[4] = {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel), 255};
            changed = changed || std::memcmp(out, bytes, 4) != 0;
            std::memcpy(out, bytes, 4);
        }
    }
    return changed;
}

void web_picture_place(const StretchedPicture& picture, int32_t place[4]) {
    place[0] = std::min(picture.dest_x, picture.dest_x + picture.dest_width);
    place[1] = std::min(picture.dest_y, picture.dest_y + picture.dest_height);
    place[2] = std::abs(picture.dest_width);
    place[3] = std::abs(picture.dest_height);
}

}  // namespace novra
