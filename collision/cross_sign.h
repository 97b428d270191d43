// Exact signs of differences of 64-bit products, for the swept test whose corner values need up to 67 bits.
#pragma once

#include <cstdint>

namespace novra {

// The sign (-1, 0 or 1) of a * b - c * d, exact for all int64 operands (formed in 128 bits, with no
// compiler extension, so the same code serves the 32-bit build).
int32_t product_difference_sign(int64_t a, int64_t b, int64_t c, int64_t d);

}  // namespace novra
