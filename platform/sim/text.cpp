// UTF conversion as Windows does it for CP_UTF8, and MultiByteToWideChar / WideCharToMultiByte.
#include "platform/sim/text.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/simulated.h"

namespace novra {

namespace {

// The range the second byte of a sequence may take, which is where overlong forms, encoded
// surrogates and values past U+10FFFF are refused; later bytes are any continuation byte.
struct LeadRule {
    int32_t length;
    unsigned char second_low, second_high;
};

LeadRule lead_rule(unsigned char lead) {
    if (lead < 0x80) return {1, 0, 0};
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

bool is_high_surrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(char16_t unit) {
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

}  // namespace

Utf8Step utf8_decode_step(const unsigned char* bytes, size_t available) {
    const Utf8Step malformed_one{0xFFFD, 1, false, false};
    LeadRule rule = lead_rule(bytes[0]);
    if (rule.length == 0) return malformed_one;
    if (rule.length == 1) return {bytes[0], 1, true, false};
    char32_t code_point = bytes[0] & (0xFF >> (rule.length + 1));
    for (int32_t i = 1; i < rule.length; ++i) {
        if (size_t(i) >= available) return {0xFFFD, i, false, true};
        unsigned char low = i == 1 ? rule.second_low : 0x80;
        unsigned char high = i == 1 ? rule.second_high : 0xBF;
        if (bytes[i] < low || bytes[i] > high) return {0xFFFD, i, false, false};
        code_point = (code_point << 6) | (bytes[i] & 0x3F);
    }
    return {code_point, rule.length, true, false};
}

void utf16_append(std::u16string& out, char32_t code_point) {
    if (code_point >= 0x10000) {
        code_point -= 0x10000;
        out.push_back(char16_t(0xD800 + (code_point >> 10)));
        out.push_back(char16_t(0xDC00 + (code_point & 0x3FF)));
    } else {
        out.push_back(char16_t(code_point));
    }
}

void utf8_append(std::string& out, char32_t code_point) {
    if (code_point < 0x80) {
        out.push_back(char(code_point));
    } else if (code_point < 0x800) {
        out.push_back(char(0xC0 | (code_point >> 6)));
        out.push_back(char(0x80 | (code_point & 0x3F)));
    } else if (code_point < 0x10000) {
        out.push_back(char(0xE0 | (code_point >> 12)));
        out.push_back(char(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(char(0x80 | (code_point & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (code_point >> 18)));
        out.push_back(char(0x80 | ((code_point >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(char(0x80 | (code_point & 0x3F)));
    }
}

std::u16string utf16_from_utf8(std::string_view text) {
    std::u16string out;
    auto bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t at = 0; at < text.size();) {
        Utf8Step step = utf8_decode_step(bytes + at, text.size() - at);
        utf16_append(out, step.code_point);
        at += size_t(step.length);
    }
    return out;
}

std::string utf8_from_utf16(std::u16string_view text) {
    std::string out;
    utf16_walk(text.data(), text.size(), [&](char32_t code_point) { utf8_append(out, code_point); });
    return out;
}

}  // namespace novra

using namespace novra;

int WINAPI MultiByteToWideChar(UINT code_page, DWORD flags, LPCCH text, int length, LPWSTR wide,
                               int wide_length) {
    if (calls_recorded()) {
        call_record("MultiByteToWideChar",
                    {std::to_string(code_page), std::to_string(flags),
                     text ? std::string(text, length < 0 ? std::strlen(text) : size_t(length)) : "null",
                     std::to_string(length), wide ? "buffer" : "null", std::to_string(wide_length)});
    }
    if (code_page != CP_UTF8 || !text || length == 0 || wide_length < 0 || (wide_length > 0 && !wide)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & ~MB_ERR_INVALID_CHARS) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    size_t size = length < 0 ? std::strlen(text) + 1 : size_t(length);
    std::u16string converted;
    bool clean = true;
    auto bytes = reinterpret_cast<const unsigned char*>(text);
    for (size_t at = 0; at < size;) {
        Utf8Step step = utf8_decode_step(bytes + at, size - at);
        clean = clean && step.valid;
        utf16_append(converted, step.code_point);
        at += size_t(step.length);
    }
    if (!clean && (flags & MB_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (wide_length == 0) return int(converted.size());
    size_t copied = std::min(converted.size(), size_t(wide_length));
    std::memcpy(wide, converted.data(), copied * sizeof(char16_t));
    if (copied < converted.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return int(copied);
}

int WINAPI WideCharToMultiByte(UINT code_page, DWORD flags, LPCWCH wide, int wide_length, LPSTR text,
                               int length, LPCCH default_char, LPBOOL used_default_char) {
    size_t size = 0;
    if (wide) size = wide_length < 0 ? std::char_traits<char16_t>::length(wide) + 1 : size_t(wide_length);
    if (calls_recorded()) {
        call_record(
            "WideCharToMultiByte",
            {std::to_string(code_page), std::to_string(flags),
             wide ? utf8_from_utf16(std::u16string_view(wide, wide_length < 0 ? size - 1 : size)) : "null",
             std::to_string(wide_length), text ? "buffer" : "null", std::to_string(length)});
    }
    if (code_page != CP_UTF8 || !wide || wide_length == 0 || length < 0 || (length > 0 && !text) ||
        default_char || used_default_char) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & ~WC_ERR_INVALID_CHARS) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    std::string converted;
    bool clean = utf16_walk(wide, size, [&](char32_t code_point) { utf8_append(converted, code_point); });
    if (!clean && (flags & WC_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (length == 0) return int(converted.size());
    size_t copied = std::min(converted.size(), size_t(length));
    std::memcpy(text, converted.data(), copied);
    if (copied < converted.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return int(copied);
}
