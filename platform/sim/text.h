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

// Whole-string conversions with replacement; they never fail.
std::u16string utf16_from_utf8(std::string_view text);
std::string utf8_from_utf16(std::u16string_view text);

}  // namespace novra
