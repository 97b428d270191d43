// UTF conversion as Windows does it for CP_UTF8.
#include "platform/sim/text.h"

#include <algorithm>
#include <cstring>

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
