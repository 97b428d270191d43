// A small model of the debug console's line editor: the typed text, its columns, the anchor, the cursor
// and the screen's cells, as they must be after each poll. Shared by the editor's property test and its
// fuzz target.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"

namespace novra {

struct EditorModel {
    int32_t width, height;
    std::vector<char16_t> cells;  // the screen buffer, row-major
    // Per cell: 0 a cell of its own, 1 and 2 the leading and trailing cell of a full-width unit.
    std::vector<int8_t> halves;
    bool cells_known = true;  // false once a log line has been written
    std::u16string text;
    size_t cursor = 0;    // code units before the editor's cursor
    int32_t columns = 0;  // cells the text takes from the anchor, row ends skipped included
    int32_t anchor_row = 0;
    int32_t cursor_x = 0, cursor_y = 0;

    EditorModel(int32_t w, int32_t h)
        : width(w), height(h), cells(size_t(w) * size_t(h), u' '), halves(cells.size(), 0) {}

    static int32_t columns_of(char16_t unit) {
        const bool narrow =
            unit <= 0xFF || (unit >= 0xFF61 && unit <= 0xFF9F) || (unit >= 0xFFE8 && unit <= 0xFFEE);
        return narrow ? 1 : 2;
    }

    // Cells from a row's start to the end of `units`, laid out as write() lays them out.
    int32_t cells_of(std::u16string_view units) const {
        int32_t at = 0;
        for (char16_t unit : units) {
            if (columns_of(unit) == 2 && width > 1 && at % width == width - 1) ++at;
            at += width == 1 ? 1 : columns_of(unit);
        }
        return at;
    }

    void scroll_up(int32_t rows) {
        const size_t lost = size_t(std::min(rows, height)) * size_t(width);
        cells.erase(cells.begin(), cells.begin() + ptrdiff_t(lost));
        cells.insert(cells.end(), lost, u'\0');
        halves.erase(halves.begin(), halves.begin() + ptrdiff_t(lost));
        halves.insert(halves.end(), lost, 0);
        anchor_row -= rows;
    }

    void redraw() {
        if (anchor_row < 0) anchor_row = std::min(0, height - 1 - columns / width);
        int32_t row = anchor_row + columns / width;
        if (row >= height) {
            scroll_up(row - height + 1);
            row = height - 1;
        }
        const int32_t before = cells_of(std::u16string_view(text).substr(0, cursor));
        cursor_y = row - (columns / width - before / width);
        cursor_x = cursor_y < 0 ? 0 : before % width;  // above the buffer: its first cell
        cursor_y = std::max(cursor_y, 0);
        std::u16string shown = text;
        shown.resize(input_line_capacity, u'\0');
        // Rows of the line above the buffer are not written; the rest is, from the first row.
        const size_t hidden = size_t(std::max(0, -anchor_row)) * size_t(width);
        if (hidden >= shown.size()) return;
        write(size_t(std::max(0, anchor_row)) * size_t(width), shown.substr(hidden));
    }

    // The console's write: a full-width unit takes two cells and never straddles rows (the row's last
    // cell is blanked instead), and a half left alone by the write is blanked.
    void write(size_t at, std::u16string_view units) {
        auto blank = [&](size_t i) { cells[i] = u' ', halves[i] = 0; };
        if (at < cells.size() && halves[at] == 2) blank(at - 1);
        for (char16_t unit : units) {
            if (at >= cells.size()) break;
            if (columns_of(unit) == 1 || width == 1) {
                cells[at] = unit, halves[at] = 0, ++at;
                continue;
            }
            if (at % size_t(width) == size_t(width) - 1) {
                blank(at);
                if (++at >= cells.size()) break;
            }
            cells[at] = cells[at + 1] = unit, halves[at] = 1, halves[at + 1] = 2, at += 2;
        }
        if (at < cells.size() && halves[at] == 2) blank(at);
    }

    static bool high(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
    static bool low(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
    size_t before(size_t at) const {
        return at >= 2 && low(text[at - 1]) && high(text[at - 2]) ? at - 2 : at == 0 ? 0 : at - 1;
    }
    size_t after(size_t at) const {
        return at + 1 < text.size() && high(text[at]) && low(text[at + 1]) ? at + 2
                                                                           : std::min(text.size(), at + 1);
    }
    size_t word_start(size_t at) const {
        while (at > 0 && text[at - 1] == u' ')
            --at;
        while (at > 0 && text[at - 1] != u' ')
            --at;
        return at;
    }
    size_t word_end(size_t at) const {
        while (at < text.size() && text[at] == u' ')
            ++at;
        while (at < text.size() && text[at] != u' ')
            ++at;
        return at;
    }
    void erase(size_t from, size_t to) {
        text.erase(from, to - from);
        cursor = from;
    }

    // A key-down: its character, or with none its virtual key and whether Ctrl was held.
    void key_down(char16_t ch, int virtual_key = 0, bool control = false) {
        if (ch == 0) {
            if (virtual_key == VK_LEFT) cursor = control ? word_start(cursor) : before(cursor);
            if (virtual_key == VK_RIGHT) cursor = control ? word_end(cursor) : after(cursor);
            if (virtual_key == VK_HOME) cursor = 0;
            if (virtual_key == VK_END) cursor = text.size();
            if (virtual_key == VK_DELETE) erase(cursor, after(cursor));
        } else if (ch == 9) {
            return;
        } else if (ch == 1) {
            cursor = 0;
        } else if (ch == 5) {
            cursor = text.size();
        } else if (ch == 8) {
            erase(before(cursor), cursor);
        } else if (ch == 11) {
            erase(cursor, text.size());
        } else if (ch == 21) {
            erase(0, cursor);
        } else if (ch == 23) {
            erase(word_start(cursor), cursor);
        } else if (ch == 13) {
            redraw();
            const int32_t row = anchor_row + columns / width + 1;
            if (row >= height) scroll_up(row - height + 1);
            anchor_row += columns / width + 1;
            columns = 0;
            text.clear();
            cursor = 0;
            cursor_x = 0;
            cursor_y = anchor_row;
            return;
        } else if (text.size() < size_t(input_line_capacity)) {
            text.insert(text.begin() + ptrdiff_t(cursor), ch);
            ++cursor;
        }
        columns = cells_of(text);
    }
};

}  // namespace novra
