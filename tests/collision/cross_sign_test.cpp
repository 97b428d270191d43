#include "collision/cross_sign.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace novra {
namespace {

constexpr int64_t int64_max = std::numeric_limits<int64_t>::max();
constexpr int64_t int64_min = std::numeric_limits<int64_t>::min();
constexpr int64_t two_32 = int64_t{1} << 32;

struct SignCase {
    int64_t a, b, c, d;
    int32_t sign;
};

TEST(ProductDifferenceSign, IsExactWhereProductsExceed64Bits) {
    const SignCase cases[] = {
        {0, 0, 0, 0, 0},
        {3, 4, 2, 6, 0},
        {3, 4, 2, 5, 1},
        {-3, 4, 2, -6, 0},
        {-3, 4, 2, -5, -1},
        {two_32, two_32, two_32 - 1, two_32 + 1, 1},  // 2^64 against 2^64 - 1
        {two_32 - 1, two_32 + 1, two_32, two_32, -1},
        {-two_32, two_32, two_32, -two_32, 0},             // both -2^64
        {3 * two_32, two_32, two_32, 3 * two_32 + 1, -1},  // differ by 2^32 beyond 2^65
        {int64_max, int64_max, int64_max, int64_max, 0},
        {int64_min, int64_min, int64_max, int64_max, 1},  // 2^126 against (2^63 - 1)^2
        {int64_min, int64_max, int64_max, int64_min, 0},
        {int64_min, 1, 0, 0, -1},
        {int64_min, -1, int64_max, 1, 1},  // 2^63 against 2^63 - 1
        {1, -1, 0, 0, -1},
        {(1 << 30) * int64_t{2} - 1, -(int64_t{1} << 31) + 1, -(int64_t{1} << 31) + 1, (int64_t{1} << 31) - 1,
         0},
        {-(int64_t{1} << 31), -(int64_t{1} << 31), (int64_t{1} << 31) - 1, -(int64_t{1} << 31),
         1},  // 2^63 - 2^31
    };
    for (const SignCase& c : cases) {
        EXPECT_EQ(product_difference_sign(c.a, c.b, c.c, c.d), c.sign)
            << c.a << " * " << c.b << " - " << c.c << " * " << c.d;
        EXPECT_EQ(product_difference_sign_wide(c.a, c.b, c.c, c.d), c.sign)
            << c.a << " * " << c.b << " - " << c.c << " * " << c.d;
    }
}

#if defined(__SIZEOF_INT128__)
__extension__ typedef __int128 Int128;

int32_t reference_sign(int64_t a, int64_t b, int64_t c, int64_t d) {
    const Int128 difference = Int128{a} * b - Int128{c} * d;
    return (difference > 0) - (difference < 0);
}

TEST(ProductDifferenceSign, AgreesWithNative128BitArithmetic) {
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int32_t> bits(0, 63);
    for (int32_t i = 0; i < 200000; ++i) {
        int64_t operands[4];
        for (int64_t& operand : operands) {
            // Mixed magnitudes, so that high and low halves and their carries all matter.
            operand = static_cast<int64_t>(random()) >> bits(random);
        }
        if (i % 4 == 0) operands[2] = operands[0], operands[3] = operands[1] + (i % 8 == 0 ? 1 : 0);
        const int32_t expected = reference_sign(operands[0], operands[1], operands[2], operands[3]);
        ASSERT_EQ(product_difference_sign(operands[0], operands[1], operands[2], operands[3]), expected);
        ASSERT_EQ(product_difference_sign_wide(operands[0], operands[1], operands[2], operands[3]), expected);
    }
}
#endif

}  // namespace
}  // namespace novra
