// Drawing into the window: StretchDIBits orientation, nearest-neighbour scaling and clipping, and
// FillRect with the background brush, read back with GetPixel.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32.h"
#include "tests/platform/win32/fixture.h"

namespace novra {
namespace {

struct Canvas {
    HWND window;
    HDC dc;
    RECT client;
};

Canvas canvas_open() {
    fixture_start(64, 48, 20, 5);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(WNDCLASSEXW);
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.lpszClassName = TEXT("org.novra.GdiTest");
    EXPECT_NE(RegisterClassExW(&window_class), 0);
    Canvas canvas{};
    canvas.window =
        CreateWindowExW(0, window_class.lpszClassName, TEXT("gdi"), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(canvas.window, SW_SHOWNORMAL);
    canvas.dc = GetDC(canvas.window);
    GetClientRect(canvas.window, &canvas.client);
    return canvas;
}

BITMAPINFO header_for(LONG width, LONG height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// GetPixel's 0x00BBGGRR for a DIB pixel's 0x00RRGGBB.
COLORREF colour_of(uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

// A 2 x 2 picture with four distinct colours, in memory order.
const uint32_t quad[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFF00};

TEST(StretchDIBits, BottomUpPictureShowsItsFirstMemoryRowAtTheBottom) {
    Canvas canvas = canvas_open();
    BITMAPINFO info = header_for(2, 2);
    EXPECT_EQ(StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, quad, &info, DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(GetPixel(canvas.dc, 0, 1), colour_of(quad[0]));
    EXPECT_EQ(GetPixel(canvas.dc, 1, 1), colour_of(quad[1]));
    EXPECT_EQ(GetPixel(canvas.dc, 0, 0), colour_of(quad[2]));
    EXPECT_EQ(GetPixel(canvas.dc, 1, 0), colour_of(quad[3]));
}

TEST(StretchDIBits, TopDownPictureShowsItsFirstMemoryRowAtTheTop) {
    Canvas canvas = canvas_open();
    BITMAPINFO info = header_for(2, -2);
    EXPECT_NE(StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, quad, &info, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(GetPixel(canvas.dc, 0, 0), colour_of(quad[0]));
    EXPECT_EQ(GetPixel(canvas.dc, 1, 1), colour_of(quad[3]));
}

TEST(StretchDIBits, EnlargingByWholeFactorsRepeatsEachPixelInABlock) {
    Canvas canvas = canvas_open();
    BITMAPINFO info = header_for(2, 2);
    const int x = 10, y = 5, scale_x = 3, scale_y = 2;
    ASSERT_EQ(StretchDIBits(canvas.dc, x, y, 2 * scale_x, 2 * scale_y, 0, 0, 2, 2, quad, &info,
                            DIB_RGB_COLORS, SRCCOPY),
              2);
    for (int dy = 0; dy < 2 * scale_y; ++dy) {
        for (int dx = 0; dx < 2 * scale_x; ++dx) {
            int picture_row = dy / scale_y;  // top row of the picture is memory row 1
            uint32_t expected = quad[(1 - picture_row) * 2 + dx / scale_x];
            EXPECT_EQ(GetPixel(canvas.dc, x + dx, y + dy), colour_of(expected)) << dx << "," << dy;
        }
    }
}

TEST(StretchDIBits, ShrinkingByHalfKeepsOnePixelOfEachBlock) {
    Canvas canvas = canvas_open();
    // 4 x 4 picture made of four 2 x 2 blocks of one colour each.
    std::vector<uint32_t> pixels(16);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column)
            pixels[size_t(row * 4 + column)] = quad[(row / 2) * 2 + column / 2];
    }
    BITMAPINFO info = header_for(4, 4);
    ASSERT_EQ(StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 4, 4, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY),
              4);
    EXPECT_EQ(GetPixel(canvas.dc, 0, 1), colour_of(quad[0]));
    EXPECT_EQ(GetPixel(canvas.dc, 1, 0), colour_of(quad[3]));
}

TEST(StretchDIBits, DrawingIsClippedToTheClientArea) {
    Canvas canvas = canvas_open();
    const LONG width = canvas.client.right, height = canvas.client.bottom;
    std::vector<uint32_t> pixels(size_t(width * height), 0x00123456);
    BITMAPINFO info = header_for(width, height);
    // Half the picture hangs off the bottom-right corner; what lies inside is drawn.
    EXPECT_EQ(StretchDIBits(canvas.dc, width / 2, height / 2, width, height, 0, 0, width, height,
                            pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY),
              height);
    EXPECT_EQ(GetPixel(canvas.dc, width - 1, height - 1), colour_of(0x00123456));
    EXPECT_EQ(GetPixel(canvas.dc, width / 2 - 1, height / 2 - 1), colour_of(0));
    EXPECT_EQ(GetPixel(canvas.dc, width, 0), CLR_INVALID);
}

TEST(StretchDIBits, RefusesMalformedPicturesAndDrawsNothing) {
    Canvas canvas = canvas_open();
    BITMAPINFO info = header_for(2, 2);
    info.bmiHeader.biBitCount = 7;
    EXPECT_EQ(StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, quad, &info, DIB_RGB_COLORS, SRCCOPY), 0);
    info = header_for(0, 2);
    EXPECT_EQ(StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, quad, &info, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(GetPixel(canvas.dc, 0, 0), colour_of(0));
    EXPECT_EQ(GetPixel(canvas.dc, 1, 1), colour_of(0));
}

TEST(StretchDIBits, RefusesPicturesOutsideTheSubset) {
#ifdef _WIN32
    GTEST_SKIP()
        << "Windows draws 24-bit pictures; only the subset, which has 32-bit BI_RGB only, refuses them";
#endif
    Canvas canvas = canvas_open();
    BITMAPINFO info = header_for(2, 2);
    info.bmiHeader.biBitCount = 24;
    EXPECT_EQ(StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, quad, &info, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(GetPixel(canvas.dc, 0, 0), colour_of(0));
}

TEST(FillRect, BackgroundBrushPaintsTheBackgroundColourUpToButExcludingRightAndBottom) {
    Canvas canvas = canvas_open();
    std::vector<uint32_t> white(size_t(canvas.client.right * canvas.client.bottom), 0x00FFFFFF);
    BITMAPINFO info = header_for(canvas.client.right, canvas.client.bottom);
    StretchDIBits(canvas.dc, 0, 0, canvas.client.right, canvas.client.bottom, 0, 0, canvas.client.right,
                  canvas.client.bottom, white.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    HBRUSH brush = GetSysColorBrush(COLOR_BACKGROUND);
    ASSERT_NE(brush, nullptr);
    // The desktop colour is a user setting; current Windows has black, Wine a blue.
    const COLORREF background = GetSysColor(COLOR_BACKGROUND);
#ifndef _WIN32
    EXPECT_EQ(background, 0u);
#endif
    ASSERT_NE(background, 0x00FFFFFFu);
    RECT area{2, 3, 6, 7};
    ASSERT_NE(FillRect(canvas.dc, &area, brush), 0);
    EXPECT_EQ(GetPixel(canvas.dc, 2, 3), background);
    EXPECT_EQ(GetPixel(canvas.dc, 5, 6), background);
    EXPECT_EQ(GetPixel(canvas.dc, 6, 6), 0x00FFFFFFu);
    EXPECT_EQ(GetPixel(canvas.dc, 5, 7), 0x00FFFFFFu);
}

}  // namespace
}  // namespace novra
