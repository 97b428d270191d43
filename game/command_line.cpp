#include "game/command_line.h"

#include <cstring>

namespace novra {

Words split(const char* line) {
    Words words{};
    const char* at = line;
    for (;;) {
        while (*at == ' ')
            ++at;
        if (*at == 0) return words;
        const char* start = at;
        while (*at != ' ' && *at != 0)
            ++at;
        if (words.count < words_kept) words.word[words.count] = std::string_view(start, size_t(at - start));
        ++words.count;
    }
}

std::string_view line_rest(std::string_view word) {
    std::string_view rest(word.data() + word.size());
    const size_t first = rest.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    rest.remove_prefix(first);
    return rest.substr(0, rest.find_last_not_of(' ') + 1);
}

bool parse_int32(std::string_view text, int32_t& value) {
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) at = 1;
    if (at == text.size()) return false;
    int64_t magnitude = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9') return false;
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > int64_t{INT32_MAX} + 1) return false;
    }
    const int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX) return false;
    value = int32_t(result);
    return true;
}

void printable_word(std::string_view word, size_t kept, char* out) {
    size_t length = word.size();
    bool cut = false;
    if (length > kept) {
        length = kept;
        while (length > 0 && (uint8_t(word[length]) & 0xC0) == 0x80)
            --length;  // not inside a UTF-8 sequence
        cut = true;
    }
    if (length > 0) std::memcpy(out, word.data(), length);  // an empty view may have no data at all
    size_t n = length;
    if (cut) {
        std::memcpy(out + n, "...", 3);
        n += 3;
    }
    out[n] = 0;
}

}  // namespace novra
