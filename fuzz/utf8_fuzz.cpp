// The layer's MultiByteToWideChar and WideCharToMultiByte (CP_UTF8) against the reference decoder the
// property test shares (tests/shared/utf8_model.h). The input is read both as UTF-8 and as UTF-16 units;
// every conversion is checked for its length query, its result, the refusal of malformed text under the error
// flags, a buffer one short, and the way back, which must give the original text whenever it was well-formed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "tests/shared/utf8_model.h"

namespace {

using namespace novra;

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
