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

uint64_t framebuffer_checksum() {
    constexpr uint64_t prime = 0x100000001b3u, basis = 0xcbf29ce484222325u;
    uint64_t lanes[4] = {basis, basis + 1, basis + 2, basis + 3};
    for (int32_t i = 0; i < framebuffer_width * framebuffer_height; i += 4) {
        for (int32_t lane = 0; lane < 4; ++lane)
            lanes[lane] = (lanes[lane] ^ (framebuffer[i + lane] & 0x00FFFFFFu)) * prime;
    }
    uint64_t sum = basis;
    for (const uint64_t lane : lanes)
        sum = (sum ^ lane) * prime;
    // The products carry a change only upwards; a last mix (invertible, so nothing is lost) spreads it
    // over all 64 bits.
    sum ^= sum >> 33;
    sum *= 0xff51afd7ed558ccdu;
    sum ^= sum >> 33;
    return sum;
}

}  // namespace novra
