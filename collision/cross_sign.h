// Exact signs of differences of 64-bit products, for the swept test whose corner values need up to 67 bits.
#pragma once

#include <cstdint>

namespace novra {

// The sign (-1, 0 or 1) of a * b - c * d formed in 128 bits, with no compiler extension, so the same code
// serves the 32-bit build. Exact for all int64 operands.
int32_t product_difference_sign_wide(int64_t a, int64_t b, int64_t c, int64_t d);

// The sign (-1, 0 or 1) of a * b - c * d, exact for all int64 operands. Operands below 2^31 in magnitude,
// as everywhere near the picture, take plain 64-bit products, which cannot overflow for them.
inline int32_t product_difference_sign(int64_t a, int64_t b, int64_t c, int64_t d) {
    constexpr int64_t limit = int64_t{1} << 31;
    const auto small = [](int64_t value) { return value > -limit && value < limit; };
    if (!small(a) || !small(b) || !small(c) || !small(d)) return product_difference_sign_wide(a, b, c, d);
    const int64_t difference = a * b - c * d;
    return (difference > 0) - (difference < 0);
}

}  // namespace novra
