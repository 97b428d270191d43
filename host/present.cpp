#include "game/game.h"
#include "host/host.h"
#include "render/framebuffer.h"

namespace novra {

BITMAPINFO dib_header;

namespace {

// present reads the source size through these, bound before the entry runs.
LONG& dib_width = dib_header.bmiHeader.biWidth;
LONG& dib_height = dib_header.bmiHeader.biHeight;

}  // namespace

void set_framebuffer_size(int32_t width, int32_t height) {
    BITMAPINFOHEADER& header = dib_header.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;  // positive: bottom-up, as the framebuffer stores its rows
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = 0;
}

void present(int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t* pixels) {
    StretchDIBits(window_dc, x, y, width, height, 0, 0, dib_width, dib_height, pixels, &dib_header,
                  DIB_RGB_COLORS, SRCCOPY);
}

// The ratio is that of the fixed 256 x 192 picture; integer products and one truncating division.
Letterbox letterbox_fit(int32_t client_width, int32_t client_height) {
    if (3 * client_width > 4 * client_height) {
        const int32_t width = (256 * client_height) / 192;
        return {(client_width - width) / 2, 0, width, client_height};
    }
    const int32_t height = (192 * client_width) / 256;
    return {0, (client_height - height) / 2, client_width, height};
}

void present_letterboxed() {
    if (game.platform.present == nullptr) return;
    const Letterbox box = letterbox_fit(key_table.client_width, key_table.client_height);
    game.platform.present(box.x, box.y, box.width, box.height, framebuffer);
}

}  // namespace novra
