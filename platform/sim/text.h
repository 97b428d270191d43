// UTF-8 and UTF-16 conversion with Windows' replacement rules (no flags): each malformed UTF-8
// sequence becomes one U+FFFD covering its longest valid prefix, and each unpaired surrogate in UTF-16
// becomes U+FFFD. Shared by MultiByteToWideChar / WideCharToMultiByte, the call record, the window
// title and the terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace novra {

struct Utf8Step {
    char32_t code_point;  // U+FFFD when the sequence is malformed or cut short
    int32_t length;       // bytes consumed, at least 1 when any byte was available
    bool valid;           // a well-formed sequence
    bool truncated;       // a valid beginning that ran out of bytes before its end
};

// Decodes the sequence at the start of `bytes` (`available` > 0).
Utf8Step utf8_decode_step(const unsigned char* bytes, size_t available);

// Appends the UTF-16 form of `code_point` (one unit, or a surrogate pair above U+FFFF).
void utf16_append(std::u16string& out, char32_t code_point);

// Appends the UTF-8 form of `code_point` (1 to 4 bytes).
void utf8_append(std::string& out, char32_t code_point);

// Surrogate halves of UTF-16.
inline bool is_high_surrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool is_low_surrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Walks `units` as code points, an unpaired surrogate becoming U+FFFD; returns false if any was.
template <typename Visit>
bool utf16_walk(const char16_t* units, size_t count, Visit visit) {
    bool clean = true;
    for (size_t i = 0; i < count; ++i) {
        char16_t unit = units[i];
        if (is_high_surrogate(unit) && i + 1 < count && is_low_surrogate(units[i + 1])) {
            visit(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00));
            ++i;
        } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            visit(0xFFFD);
            clean = false;
        } else {
            visit(unit);
        }
    }
    return clean;
}

// Whole-string conversions with replacement; they never fail.
std::u16string utf16_from_utf8(std::string_view text);
std::string utf8_from_utf16(std::u16string_view text);

}  // namespace novra
