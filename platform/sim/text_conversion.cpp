// MultiByteToWideChar and WideCharToMultiByte for CP_UTF8, on the conversions of text.h.
#include <cstring>

#include "platform/sim/internal.h"
#include "platform/sim/text.h"

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
