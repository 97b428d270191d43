// The Framebuffer: the game's one 256 x 192 picture, drawn in software and shown by the Host.
//
// Pixels are 0xXXRRGGBB (blue in the lowest byte; the top byte is never shown). Rows are stored bottom
// row first with a stride of exactly 256 pixels, so the pixel at column x, row y is element y * 256 + x.
#pragma once

#include <cstdint>

namespace novra {

constexpr int32_t framebuffer_width = 256, framebuffer_height = 192;

// Static storage for the whole run, all zero at start; the Host presents it from its first element.
extern uint32_t framebuffer[framebuffer_width * framebuffer_height];

// Sets every pixel to `colour`, as one run in index order.
void clear_framebuffer(uint32_t colour);

// Sets the pixels of [x, x + w) x [y, y + h) that lie in the picture to `colour`, one run per row from
// the bottom row up. Empty or wholly outside rectangles draw nothing; no sum of the arguments overflows.
void fill_rect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);

// A 64-bit checksum of the picture as shown (the top byte of each pixel left out), the same on every
// build: demos carry one per pass. Any one pixel's change changes it; four lanes of FNV-1a over the
// pixels, so the multiplications do not wait for one another.
uint64_t framebuffer_checksum();

}  // namespace novra
