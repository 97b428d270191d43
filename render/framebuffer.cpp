#include "render/framebuffer.h"

#include <algorithm>

namespace novra {

uint32_t framebuffer[framebuffer_width * framebuffer_height];

void clear_framebuffer(uint32_t colour) {
    std::fill_n(framebuffer, framebuffer_width * framebuffer_height, colour);
}

void fill_rect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    // The ends are summed in 64 bits: a rectangle far off the picture must clip, not wrap around into it.
    const int64_t x_end = std::min<int64_t>(int64_t{x} + w, framebuffer_width);
    const int64_t y_end = std::min<int64_t>(int64_t{y} + h, framebuffer_height);
    const int64_t x_start = std::max<int64_t>(x, 0);
    const int64_t y_start = std::max<int64_t>(y, 0);
    if (y_start >= y_end || x_start >= x_end) return;
    for (int64_t row = y_start; row < y_end; ++row) {
        std::fill_n(framebuffer + row * framebuffer_width + x_start, x_end - x_start, colour);
    }
}

}  // namespace novra
