#include "collision/cross_sign.h"

namespace novra {
namespace {

// A 128-bit two's complement value.
struct Wide {
    uint64_t high, low;
};

uint64_t magnitude(int64_t value) {
    return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

Wide wide_negate(Wide value) {
    const uint64_t low = ~value.low + 1;
    return Wide{~value.high + (low == 0 ? 1 : 0), low};
}

// Schoolbook multiplication of the magnitudes in 32-bit halves, then the sign.
Wide wide_product(int64_t a, int64_t b) {
    const uint64_t ua = magnitude(a), ub = magnitude(b);
    const uint64_t a_low = ua & 0xFFFFFFFFu, a_high = ua >> 32;
    const uint64_t b_low = ub & 0xFFFFFFFFu, b_high = ub >> 32;
    const uint64_t low_low = a_low * b_low;
    const uint64_t low_high = a_low * b_high;
    const uint64_t high_low = a_high * b_low;
    const uint64_t middle = (low_low >> 32) + (low_high & 0xFFFFFFFFu) + (high_low & 0xFFFFFFFFu);
    const Wide product{a_high * b_high + (low_high >> 32) + (high_low >> 32) + (middle >> 32),
                       (low_low & 0xFFFFFFFFu) | (middle << 32)};
    return (a < 0) != (b < 0) ? wide_negate(product) : product;
}

}  // namespace

int32_t product_difference_sign_wide(int64_t a, int64_t b, int64_t c, int64_t d) {
    const Wide p = wide_product(a, b), q = wide_product(c, d);
    const uint64_t low = p.low - q.low;
    const uint64_t high = p.high - q.high - (p.low < q.low ? 1 : 0);
    if (high >> 63 != 0) return -1;
    return high == 0 && low == 0 ? 0 : 1;
}

}  // namespace novra
