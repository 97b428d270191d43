// Drawing into the client bitmap: the window's device context, FillRect with system colour brushes
// and StretchDIBits for 32-bit BI_RGB bitmaps, nearest-neighbour and clipped to the client area; or,
// for a driver that scales on its own, StretchDIBits handing it the picture.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sim/internal.h"

namespace novra {

namespace {

constexpr uintptr_t brush_base = 0x100000;

HDC window_dc() {
    return reinterpret_cast<HDC>(uintptr_t(0x1010000) + sim.windows_created);
}

bool dc_valid(HDC dc) {
    return sim.window.exists && sim.window.dc_taken && dc == window_dc();
}

// System colours as 0x00RRGGBB; the desktop background is black, as on current Windows.
bool system_colour(int index, uint32_t& colour) {
    switch (index) {
        case COLOR_BACKGROUND:
            colour = 0x000000;
            return true;
        case COLOR_WINDOW:
            colour = 0xFFFFFF;
            return true;
        case COLOR_WINDOWTEXT:
            colour = 0x000000;
            return true;
        case COLOR_BTNFACE:
            colour = 0xF0F0F0;
            return true;
        default:
            return false;
    }
}

// A brush is either a GetSysColorBrush handle or, as Windows also accepts, a colour index plus one.
bool brush_colour(HBRUSH brush, uint32_t& colour) {
    uintptr_t value = reinterpret_cast<uintptr_t>(brush);
    if (value > brush_base && value < brush_base + 64) return system_colour(int(value - brush_base), colour);
    if (value >= 1 && value <= 32) return system_colour(int(value - 1), colour);
    return false;
}

int64_t floor_div(int64_t numerator, int64_t denominator) {
    int64_t quotient = numerator / denominator;
    if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0))) --quotient;
    return quotient;
}

// Nearest-neighbour: destination pixel `offset` of `dest_extent` samples the source at the centre
// of its own span; negative extents mirror.
int64_t source_offset(int64_t offset, int64_t dest_extent, int64_t src_extent) {
    return floor_div((2 * offset + 1) * src_extent, 2 * dest_extent);
}

}  // namespace

}  // namespace novra

using namespace novra;

HDC WINAPI GetDC(HWND window) {
    if (calls_recorded()) call_record("GetDC", {call_handle(window)});
    if (!window_valid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    sim.window.dc_taken = true;
    return window_dc();
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    if (calls_recorded())
        call_record("ReleaseDC", {call_handle(window), dc == window_dc() ? "hdc" : call_handle(dc)});
    if (!window_valid(window) || !dc_valid(dc)) return 0;
    sim.window.dc_taken = false;
    return 1;
}

HBRUSH WINAPI GetSysColorBrush(int index) {
    if (calls_recorded()) call_record("GetSysColorBrush", {std::to_string(index)});
    uint32_t colour;
    if (!system_colour(index, colour)) return nullptr;
    return reinterpret_cast<HBRUSH>(brush_base + uintptr_t(index));
}

DWORD WINAPI GetSysColor(int index) {
    if (calls_recorded()) call_record("GetSysColor", {std::to_string(index)});
    uint32_t colour;
    if (!system_colour(index, colour)) return 0;
    return ((colour >> 16) & 0xFF) | (colour & 0xFF00) | ((colour & 0xFF) << 16);
}

int WINAPI FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (calls_recorded()) {
        call_record("FillRect", {dc == window_dc() ? "hdc" : call_handle(dc),
                                 rect ? std::to_string(rect->left) + "," + std::to_string(rect->top) + "," +
                                            std::to_string(rect->right) + "," + std::to_string(rect->bottom)
                                      : "null",
                                 call_handle(brush)});
    }
    uint32_t colour;
    if (!dc_valid(dc) || !rect || !brush_colour(brush, colour)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    SimWindow& window = sim.window;
    if (!client_bitmap_kept()) return 1;
    LONG left = std::max<LONG>(rect->left, 0), right = std::min<LONG>(rect->right, window.client_width);
    LONG top = std::max<LONG>(rect->top, 0), bottom = std::min<LONG>(rect->bottom, window.client_height);
    // A rectangle with no column inside the client area touches no row: a client area 0 wide has no pixels.
    for (LONG y = top; y < bottom && left < right; ++y)
        std::fill_n(&window.pixels[size_t(y) * size_t(window.client_width) + size_t(left)], right - left,
                    colour);
    ++window.pixels_version;
    return 1;
}

int WINAPI StretchDIBits(HDC dc, int dest_x, int dest_y, int dest_width, int dest_height, int src_x,
                         int src_y, int src_width, int src_height, const void* bits, const BITMAPINFO* info,
                         UINT usage, DWORD rop) {
    if (calls_recorded()) {
        call_record(
            "StretchDIBits",
            {dc == window_dc() ? "hdc" : call_handle(dc), std::to_string(dest_x), std::to_string(dest_y),
             std::to_string(dest_width), std::to_string(dest_height), std::to_string(src_x),
             std::to_string(src_y), std::to_string(src_width), std::to_string(src_height),
             info ? std::to_string(info->bmiHeader.biWidth) + "x" + std::to_string(info->bmiHeader.biHeight)
                  : "null",
             std::to_string(usage), std::to_string(rop)});
    }
    if (!dc_valid(dc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!bits || !info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != 32 ||
        header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0 ||
        usage != DIB_RGB_COLORS || rop != SRCCOPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (dest_width == 0 || dest_height == 0 || src_width == 0 || src_height == 0) return 0;
    // The scan lines of the source rectangle, negative when the picture is turned upside down.
    const int scan_lines =
        (dest_height < 0) != (src_height < 0) ? -std::abs(src_height) : std::abs(src_height);

    const int64_t image_width = header.biWidth;
    const int64_t image_height = std::llabs(int64_t(header.biHeight));
    const bool bottom_up = header.biHeight > 0;
    // Work in top-down picture rows: a bottom-up DIB's source origin is its lower-left corner.
    const int64_t src_top = bottom_up ? image_height - int64_t(src_y) - src_height : src_y;
    auto pixels_in = static_cast<const uint32_t*>(bits);
    if (!client_bitmap_kept()) {
        // The driver's scaler samples only inside the picture: a source rectangle reaching outside it
        // is refused rather than clipped, which would change the scale.
        const int64_t left = std::min<int64_t>(src_x, int64_t(src_x) + src_width);
        const int64_t right = std::max<int64_t>(src_x, int64_t(src_x) + src_width);
        const int64_t top = std::min<int64_t>(src_top, src_top + src_height);
        const int64_t bottom = std::max<int64_t>(src_top, src_top + src_height);
        if (left < 0 || top < 0 || right > image_width || bottom > image_height) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        sim.driver.picture_stretched(StretchedPicture{pixels_in, header.biWidth, int32_t(image_height),
                                                      bottom_up, src_x, int32_t(src_top), src_width,
                                                      src_height, dest_x, dest_y, dest_width, dest_height});
        return scan_lines;
    }

    SimWindow& window = sim.window;
    const int64_t x_begin = std::max<int64_t>(std::min<int64_t>(dest_x, int64_t(dest_x) + dest_width), 0);
    const int64_t x_end =
        std::min<int64_t>(std::max<int64_t>(dest_x, int64_t(dest_x) + dest_width), window.client_width);
    const int64_t y_begin = std::max<int64_t>(std::min<int64_t>(dest_y, int64_t(dest_y) + dest_height), 0);
    const int64_t y_end =
        std::min<int64_t>(std::max<int64_t>(dest_y, int64_t(dest_y) + dest_height), window.client_height);
    // The source column of each client column is worked out once per call, not once per pixel: the
    // division would otherwise cost more than the copy. The scratch only grows, so a steady stream of
    // blits of one size allocates nothing.
    std::vector<int64_t>& columns = window.stretch_columns;
    const int64_t x_count = std::max<int64_t>(x_end - x_begin, 0);
    if (columns.size() < size_t(x_count)) columns.resize(size_t(x_count));
    bool columns_inside = true;  // every client column takes a pixel of the picture
    for (int64_t x = x_begin; x < x_end; ++x) {
        const int64_t column = src_x + source_offset(x - dest_x, dest_width, src_width);
        columns[size_t(x - x_begin)] = column;
        columns_inside = columns_inside && column >= 0 && column < image_width;
    }

    int64_t previous_y = -1, previous_row = -1;
    // A client area 0 wide has no pixels, so no row of it is touched.
    for (int64_t y = y_begin; y < y_end && x_count > 0; ++y) {
        int64_t picture_row = src_top + source_offset(y - dest_y, dest_height, src_height);
        if (picture_row < 0 || picture_row >= image_height) continue;
        uint32_t* row_out = &window.pixels[size_t(y) * size_t(window.client_width)];
        if (picture_row == previous_row && previous_y == y - 1 && columns_inside && x_count > 0) {
            // An enlarged picture repeats each source row: the row just drawn is the same.
            std::memcpy(row_out + x_begin, row_out - window.client_width + x_begin,
                        size_t(x_count) * sizeof(uint32_t));
        } else {
            int64_t memory_row = bottom_up ? image_height - 1 - picture_row : picture_row;
            const uint32_t* row_in = pixels_in + memory_row * image_width;
            for (int64_t x = x_begin; x < x_end; ++x) {
                const int64_t column = columns[size_t(x - x_begin)];
                if (column >= 0 && column < image_width) row_out[x] = row_in[column] & 0x00FFFFFF;
            }
        }
        previous_y = y;
        previous_row = picture_row;
    }
    ++window.pixels_version;
    if (sim.driver.client_drawn) sim.driver.client_drawn();
    return scan_lines;
}

COLORREF WINAPI GetPixel(HDC dc, int x, int y) {
    if (calls_recorded())
        call_record("GetPixel",
                    {dc == window_dc() ? "hdc" : call_handle(dc), std::to_string(x), std::to_string(y)});
    const SimWindow& window = sim.window;
    if (!dc_valid(dc) || !client_bitmap_kept() || x < 0 || y < 0 || x >= window.client_width ||
        y >= window.client_height)
        return CLR_INVALID;
    uint32_t pixel = window.pixels[size_t(y) * size_t(window.client_width) + size_t(x)];
    return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}
