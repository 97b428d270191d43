// PNG export of the client bitmap, through libpng.
#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/scripted/scripted.h"

namespace novra {

bool scripted_write_png(const char* path) {
    ScriptedPicture picture = scripted_client();
    if (picture.width <= 0 || picture.height <= 0) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(picture.width);
    image.height = png_uint_32(picture.height);
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rows;
    rows.reserve(picture.pixels.size() * 3);
    for (uint32_t pixel : picture.pixels) {
        rows.push_back((unsigned char)(pixel >> 16));
        rows.push_back((unsigned char)(pixel >> 8));
        rows.push_back((unsigned char)pixel);
    }
    bool written = png_image_write_to_file(&image, path, 0, rows.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return written;
}

}  // namespace novra
