#include "render/framebuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace novra {
namespace {

constexpr uint32_t background = 0x00FF0000;
constexpr uint32_t paint = 0xFFFFFF00;
constexpr int32_t int_max = std::numeric_limits<int32_t>::max();
constexpr int32_t int_min = std::numeric_limits<int32_t>::min();

uint32_t pixel(int32_t column, int32_t row) {
    return framebuffer[row * framebuffer_width + column];
}

struct FillCase {
    int32_t x, y, w, h;
    // The painted area expected, [column_start, column_end) x [row_start, row_end); empty for no pixels.
    int32_t column_start, column_end, row_start, row_end;
};

class FillRectClipping : public testing::TestWithParam<FillCase> {};

TEST_P(FillRectClipping, PaintsExactlyTheClippedRectangle) {
    const FillCase c = GetParam();
    SCOPED_TRACE(testing::Message() << "fill_rect(" << c.x << ", " << c.y << ", " << c.w << ", " << c.h
                                    << ")");
    clear_framebuffer(background);
    fill_rect(c.x, c.y, c.w, c.h, paint);
    int64_t painted = 0;
    for (int32_t row = 0; row < framebuffer_height; ++row) {
        for (int32_t column = 0; column < framebuffer_width; ++column) {
            const bool inside =
                column >= c.column_start && column < c.column_end && row >= c.row_start && row < c.row_end;
            ASSERT_EQ(pixel(column, row), inside ? paint : background)
                << "column " << column << " row " << row;
            painted += inside;
        }
    }
    const int64_t expected =
        int64_t{std::max(0, c.column_end - c.column_start)} * std::max(0, c.row_end - c.row_start);
    EXPECT_EQ(painted, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FillRectClipping,
    testing::Values(FillCase{-5, -5, 10, 10, 0, 5, 0, 5},            // 25 pixels at the bottom-left
                    FillCase{250, 190, 12, 12, 250, 256, 190, 192},  // 12 pixels at the top-right
                    FillCase{0, 0, 256, 192, 0, 256, 0, 192},        // the whole picture
                    FillCase{30, 30, 30, 30, 30, 60, 30, 60},        // 900 pixels
                    FillCase{10, 10, 0, 5, 0, 0, 0, 0},              // zero width
                    FillCase{10, 10, 5, 0, 0, 0, 0, 0},              // zero height
                    FillCase{10, 10, -5, 5, 0, 0, 0, 0},             // negative width
                    FillCase{10, 10, 5, -5, 0, 0, 0, 0},             // negative height
                    FillCase{-10, 10, 10, 5, 0, 0, 0, 0},            // ends exactly at the left edge
                    FillCase{10, -10, 5, 10, 0, 0, 0, 0},            // ends exactly at the bottom edge
                    FillCase{256, 10, 5, 5, 0, 0, 0, 0},             // starts at the first column outside
                    FillCase{10, 192, 5, 5, 0, 0, 0, 0},             // starts at the first row outside
                    FillCase{255, 191, 1, 1, 255, 256, 191, 192},    // the last pixel
                    FillCase{-1, -1, 2, 2, 0, 1, 0, 1},              // the first pixel
                    FillCase{int_max, 10, int_max, 5, 0, 0, 0, 0},   // the end would wrap to negative
                    FillCase{10, int_max, 5, 10, 0, 0, 0, 0},        // the top would wrap to negative
                    FillCase{int_min, 0, int_max, 10, 0, 0, 0, 0},   // ends at -1
                    FillCase{int_min, int_min, int_max, int_max, 0, 0, 0, 0},
                    FillCase{-100, 5, int_max, 3, 0, 256, 5, 8},         // the end sum is near the limit
                    FillCase{int_min, 5, int_max, int_max, 0, 0, 0, 0},  // x + w = -1
                    FillCase{-1000, -1000, int_max, int_max, 0, 256, 0, 192},
                    FillCase{100, 100, int_min, int_max, 0, 0, 0, 0}));

TEST(Framebuffer, FullFillMatchesClear) {
    clear_framebuffer(background);
    fill_rect(0, 0, framebuffer_width, framebuffer_height, paint);
    EXPECT_TRUE(
        std::all_of(std::begin(framebuffer), std::end(framebuffer), [](uint32_t p) { return p == paint; }));
    clear_framebuffer(background);
    EXPECT_TRUE(std::all_of(std::begin(framebuffer), std::end(framebuffer),
                            [](uint32_t p) { return p == background; }));
}

TEST(Framebuffer, RowZeroIsTheFirstRowInMemory) {
    clear_framebuffer(background);
    fill_rect(3, 0, 1, 1, paint);
    fill_rect(0, 1, 1, 1, paint);
    EXPECT_EQ(framebuffer[3], paint);
    EXPECT_EQ(framebuffer[framebuffer_width], paint);  // stride is exactly one row
    EXPECT_EQ(framebuffer[framebuffer_width - 1], background);
}

TEST(Framebuffer, LaterFillWinsWhereFillsOverlap) {
    constexpr uint32_t blue = 0x000000FF;
    clear_framebuffer(background);
    fill_rect(30, 30, 30, 30, paint);
    fill_rect(50, 50, 12, 12, blue);
    EXPECT_EQ(pixel(49, 49), paint);
    EXPECT_EQ(pixel(50, 50), blue);
    EXPECT_EQ(pixel(59, 59), blue);
    EXPECT_EQ(pixel(61, 61), blue);
    EXPECT_EQ(pixel(62, 62), background);
}

}  // namespace
}  // namespace novra
