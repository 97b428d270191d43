// A reference for UTF-8 and UTF-16 conversion, written as a byte-at-a-time state machine: each maximal
// malformed subpart becomes one U+FFFD, as Windows does without flags; an unpaired surrogate becomes
// U+FFFD. Shared by the text conversion's property test and its fuzz target.
#pragma once

#include <cstddef>
#include <string>

namespace novra {

struct Decoded {
    std::u32string code_points;
    bool clean = true;
};

// Bytes to code points, one state transition per byte; a byte that breaks a sequence ends it with a
// U+FFFD and is then read afresh.
inline Decoded reference_utf8_decode(const unsigned char* bytes, size_t size) {
    Decoded out;
    char32_t code_point = 0;
    int needed = 0, seen = 0;
    unsigned char lower = 0x80, upper = 0xBF;
    for (size_t i = 0; i < size; ++i) {
        const unsigned char byte = bytes[i];
        if (needed == 0) {
            if (byte <= 0x7F) {
                out.code_points.push_back(byte);
            } else if (byte >= 0xC2 && byte <= 0xDF) {
                needed = 1;
                code_point = byte & 0x1F;
            } else if (byte >= 0xE0 && byte <= 0xEF) {
                if (byte == 0xE0) lower = 0xA0;
                if (byte == 0xED) upper = 0x9F;
                needed = 2;
                code_point = byte & 0x0F;
            } else if (byte >= 0xF0 && byte <= 0xF4) {
                if (byte == 0xF0) lower = 0x90;
                if (byte == 0xF4) upper = 0x8F;
                needed = 3;
                code_point = byte & 0x07;
            } else {
                out.code_points.push_back(0xFFFD);
                out.clean = false;
            }
            continue;
        }
        if (byte < lower || byte > upper) {
            out.code_points.push_back(0xFFFD);
            out.clean = false;
            needed = seen = 0;
            lower = 0x80;
            upper = 0xBF;
            --i;  // the byte starts something new
            continue;
        }
        lower = 0x80;
        upper = 0xBF;
        code_point = (code_point << 6) | (byte & 0x3F);
        if (++seen == needed) {
            out.code_points.push_back(code_point);
            needed = seen = 0;
        }
    }
    if (needed != 0) {
        out.code_points.push_back(0xFFFD);
        out.clean = false;
    }
    return out;
}

// UTF-16 units to code points, an unpaired surrogate becoming U+FFFD.
inline Decoded reference_utf16_decode(const char16_t* units, size_t size) {
    Decoded out;
    for (size_t i = 0; i < size; ++i) {
        const char32_t unit = units[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < size && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            out.code_points.push_back(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out.code_points.push_back(0xFFFD);
            out.clean = false;
        } else {
            out.code_points.push_back(unit);
        }
    }
    return out;
}

inline std::u16string reference_utf16(const std::u32string& code_points) {
    std::u16string out;
    for (char32_t c : code_points) {
        if (c < 0x10000) {
            out.push_back(char16_t(c));
        } else {
            out.push_back(char16_t(0xD800 | ((c - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 | ((c - 0x10000) & 0x3FF)));
        }
    }
    return out;
}

inline std::string reference_utf8(const std::u32string& code_points) {
    std::string out;
    for (char32_t c : code_points) {
        const int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        const unsigned char leads[] = {0x00, 0xC0, 0xE0, 0xF0};
        out.push_back(char(leads[extra] | (c >> (6 * extra))));
        for (int k = extra - 1; k >= 0; --k)
            out.push_back(char(0x80 | ((c >> (6 * k)) & 0x3F)));
    }
    return out;
}

}  // namespace novra
