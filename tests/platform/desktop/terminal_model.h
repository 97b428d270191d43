// A tiny terminal for the renderer's tests: it carries out exactly the escapes the renderer may send
// (cursor moves, clear, colours, cursor shown or hidden, title, the screen modes) and places text by its
// display width as a terminal does, without wrapping. Anything else, a control character sent as text
// above all, is recorded as a fault.
#pragma once

#include <algorithm>
#include <clocale>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/text.h"

namespace novra {

struct TerminalModel {
    int columns, rows;
    std::vector<char32_t> cells;  // 0 on the second column of a two-column glyph
    int x = 0, y = 0;
    bool cursor_visible = true;
    std::string title;
    std::string fault;  // the first byte sequence the model does not accept; empty when none

    TerminalModel(int c, int r) : columns(c), rows(r), cells(size_t(c) * size_t(r), U' ') {}

    // A terminal resized: what it shows is kept where it still fits.
    void resize(int c, int r) {
        std::vector<char32_t> kept(size_t(c) * size_t(r), U' ');
        for (int row = 0; row < std::min(r, rows); ++row)
            for (int column = 0; column < std::min(c, columns); ++column)
                kept[size_t(row) * size_t(c) + size_t(column)] = at(column, row);
        cells = kept, columns = c, rows = r;
        x = std::min(x, c - 1), y = std::min(y, r - 1);
    }

    char32_t& at(int column, int row) { return cells[size_t(row) * size_t(columns) + size_t(column)]; }

    static int width_of(char32_t code_point) {
        static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        if (code_point < 0x7F) return 1;
        const locale_t previous = uselocale(utf8);
        const int width = wcwidth(wchar_t(code_point));
        uselocale(previous);
        return width;
    }

    // Clears the glyph that covers (column, row), both its columns.
    void clear_glyph(int column, int row) {
        if (at(column, row) == 0 && column > 0) at(column - 1, row) = U' ';
        if (column + 1 < columns && at(column + 1, row) == 0) at(column + 1, row) = U' ';
        at(column, row) = U' ';
    }

    void print(char32_t code_point) {
        const int width = width_of(code_point);
        if (width < 1) {
            fault = "a character of width " + std::to_string(width) + " sent";
            return;
        }
        if (x + width > columns) {
            fault = "a two-column glyph sent to the last column";
            return;
        }
        clear_glyph(x, y);
        if (width == 2) clear_glyph(x + 1, y);
        at(x, y) = code_point;
        if (width == 2) at(x + 1, y) = 0;
        x = std::min(x + width, columns - 1);
    }

    void csi(const std::string& parameters, char final) {
        std::vector<int> numbers{0};
        for (char c : parameters) {
            if (c == ';')
                numbers.push_back(0);
            else if (c >= '0' && c <= '9')
                numbers.back() = numbers.back() * 10 + (c - '0');
        }
        const bool private_mode = !parameters.empty() && parameters[0] == '?';
        if (final == 'H') {
            y = std::clamp(std::max(numbers[0], 1) - 1, 0, rows - 1);
            x = std::clamp(std::max(numbers.size() > 1 ? numbers[1] : 1, 1) - 1, 0, columns - 1);
        } else if (final == 'J' && numbers[0] == 2) {
            std::fill(cells.begin(), cells.end(), U' ');
        } else if (final == 'm') {
        } else if (private_mode && (final == 'h' || final == 'l')) {
            if (numbers[0] == 25) cursor_visible = final == 'h';
        } else if (final == 't' && (numbers[0] == 22 || numbers[0] == 23)) {
        } else {
            fault = "unexpected escape CSI " + parameters + final;
        }
    }

    void feed(std::string_view bytes) {
        size_t i = 0;
        while (i < bytes.size() && fault.empty()) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            if (byte == 0x1B && i + 1 < bytes.size() && bytes[i + 1] == '[') {
                size_t end = i + 2;
                while (end < bytes.size() && (bytes[end] < 0x40 || bytes[end] > 0x7E))
                    ++end;
                if (end >= bytes.size()) {
                    fault = "escape cut off";
                    return;
                }
                csi(std::string(bytes.substr(i + 2, end - i - 2)), bytes[end]);
                i = end + 1;
            } else if (byte == 0x1B && i + 1 < bytes.size() && bytes[i + 1] == ']') {
                const size_t end = bytes.find('\x07', i);
                if (end == std::string_view::npos || bytes.substr(i + 2, 2) != "2;") {
                    fault = "unexpected OSC";
                    return;
                }
                title = std::string(bytes.substr(i + 4, end - i - 4));
                i = end + 1;
            } else if (byte < 0x20 || byte == 0x7F) {
                fault = "control byte " + std::to_string(byte) + " sent as text";
            } else {
                const Utf8Step step = utf8_decode_step(
                    reinterpret_cast<const unsigned char*>(bytes.data() + i), bytes.size() - i);
                if (!step.valid || (step.code_point >= 0x80 && step.code_point <= 0x9F)) {
                    fault = "malformed UTF-8 or a C1 control sent";
                    return;
                }
                print(step.code_point);
                i += size_t(step.length);
            }
        }
    }

    // One row as UTF-8, the second column of a two-column glyph left out.
    std::string row_text(int row) {
        std::string text;
        for (int column = 0; column < columns; ++column)
            if (at(column, row) != 0) utf8_append(text, at(column, row));
        return text;
    }
};

}  // namespace novra
