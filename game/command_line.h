// A typed command line taken apart: its words, its numbers, and a word as a reply can show it.
#pragma once

#include <cstdint>
#include <string_view>

namespace novra {

constexpr int32_t words_kept = 6;  // a name and more arguments than any command takes

struct Words {
    std::string_view word[words_kept];
    int32_t count;  // every word of the line, also those past words_kept
};

// The words of a zero-terminated line, separated by spaces; leading and trailing spaces are ignored.
Words split(const char* line);

// The rest of the zero-terminated line after `word` (a view into it), the spaces around it trimmed: a
// FILE argument, whose name may hold spaces.
std::string_view line_rest(std::string_view word);

// A decimal int32 with an optional minus sign and nothing else: no plus sign, no spaces, no other
// character, and nothing outside the int32 range.
bool parse_int32(std::string_view text, int32_t& value);

// A typed word or file name as a reply quotes it: its bytes as typed, control characters included (the
// console shows them as the same glyphs as in the typed line), and a long one cut after `kept` bytes, at
// the start of a character, with "..." added. `out` holds kept + 4 bytes.
void printable_word(std::string_view word, size_t kept, char* out);

}  // namespace novra
