// The layer's MultiByteToWideChar and WideCharToMultiByte (CP_UTF8) against a reference decoder written
// as a byte-at-a-time state machine: each maximal malformed subpart becomes one U+FFFD, as Windows does
// without flags. The input is read both as UTF-8 and as UTF-16 units; every conversion is checked for
// its length query, its result, the refusal of malformed text under the error flags, a buffer one short,
// and the way back, which must give the original text whenever it was well-formed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

struct Decoded {
    std::u32string code_points;
    bool clean = true;
};

// Bytes to code points, one state transition per byte; a byte that breaks a sequence ends it with a
// U+FFFD and is then read afresh.
Decoded reference_utf8_decode(const unsigned char* bytes, size_t size) {
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
Decoded reference_utf16_decode(const char16_t* units, size_t size) {
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

std::u16string reference_utf16(const std::u32string& code_points) {
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

std::string reference_utf8(const std::u32string& code_points) {
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

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "UTF conversion differs from the reference: %s\n", what);
    std::abort();
}

// UTF-8 to UTF-16 through the layer with every documented way of calling it.
std::u16string check_to_utf16(const char* text, int length, const Decoded& expected) {
    const std::u16string wanted = reference_utf16(expected.code_points);
    const int size = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
    if (size != int(wanted.size())) fail("MultiByteToWideChar size query");
    if (size == 0) return {};
    std::u16string converted(size_t(size), u'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, text, length, converted.data(), size) != size || converted != wanted)
        fail("MultiByteToWideChar result");
    const int strict = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if ((strict != 0) != expected.clean) fail("MultiByteToWideChar MB_ERR_INVALID_CHARS");
    // A buffer of 0 would be a size query, so a buffer one short is only tried from 2 units up.
    std::u16string short_buffer(size_t(size), u'\0');
    if (size > 1 && (MultiByteToWideChar(CP_UTF8, 0, text, length, short_buffer.data(), size - 1) != 0 ||
                     GetLastError() != ERROR_INSUFFICIENT_BUFFER))
        fail("MultiByteToWideChar into a buffer one short");
    return converted;
}

// UTF-16 to UTF-8 through the layer likewise.
std::string check_to_utf8(const char16_t* units, int length, const Decoded& expected) {
    const std::string wanted = reference_utf8(expected.code_points);
    const int size = WideCharToMultiByte(CP_UTF8, 0, units, length, nullptr, 0, nullptr, nullptr);
    if (size != int(wanted.size())) fail("WideCharToMultiByte size query");
    if (size == 0) return {};
    std::string converted(size_t(size), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, units, length, converted.data(), size, nullptr, nullptr) != size ||
        converted != wanted)
        fail("WideCharToMultiByte result");
    const int strict =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, units, length, nullptr, 0, nullptr, nullptr);
    if ((strict != 0) != expected.clean) fail("WideCharToMultiByte WC_ERR_INVALID_CHARS");
    std::string short_buffer(size_t(size), '\0');
    if (size > 1 && (WideCharToMultiByte(CP_UTF8, 0, units, length, short_buffer.data(), size - 1, nullptr,
                                         nullptr) != 0 ||
                     GetLastError() != ERROR_INSUFFICIENT_BUFFER))
        fail("WideCharToMultiByte into a buffer one short");
    return converted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 16) return 0;
    // As UTF-8 of explicit length, and there and back again.
    const auto* text = reinterpret_cast<const char*>(data);
    const Decoded decoded = reference_utf8_decode(data, size);
    const std::u16string wide = check_to_utf16(text, int(size), decoded);
    const std::string back =
        check_to_utf8(wide.data(), int(wide.size()), reference_utf16_decode(wide.data(), wide.size()));
    if (decoded.clean && back != std::string(text, size))
        fail("well-formed UTF-8 did not survive the round trip");

    // As a zero-terminated line, the way the debug console's log passes it: up to the first zero byte,
    // which is converted too.
    const std::string line(text, strnlen(text, size));
    const Decoded line_decoded =
        reference_utf8_decode(reinterpret_cast<const unsigned char*>(line.c_str()), line.size() + 1);
    check_to_utf16(line.c_str(), -1, line_decoded);

    // As UTF-16 units of explicit length, and there and back again.
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    if (units.empty()) return 0;
    const Decoded units_decoded = reference_utf16_decode(units.data(), units.size());
    const std::string narrow = check_to_utf8(units.data(), int(units.size()), units_decoded);
    const std::u16string wide_again = check_to_utf16(
        narrow.data(), int(narrow.size()),
        reference_utf8_decode(reinterpret_cast<const unsigned char*>(narrow.data()), narrow.size()));
    if (units_decoded.clean && wide_again != units) fail("well-formed UTF-16 did not survive the round trip");
    return 0;
}
