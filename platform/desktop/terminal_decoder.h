// The desktop driver's console input: bytes typed at a terminal (UTF-8, with the usual escape
// sequences for arrows, Home/End, Insert/Delete, Page Up/Down and F1-F12) turned into the KEY_EVENT
// records a Windows console would queue: a key-down and a key-up record per UTF-16 code unit, so a
// character beyond the BMP gives two pairs, one per surrogate. Enter is character 13 (VK_RETURN),
// Backspace (DEL or BS) 8 (VK_BACK), Tab 9, Escape 27; keys without a character carry character 0
// and their virtual-key code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace novra {

struct TerminalDecoder {
    std::string pending;       // the start of a sequence that the bytes so far cut off
    int64_t pending_since_ms;  // when the first of the pending bytes arrived
};

// How long a cut-off sequence waits for the rest of its bytes, as terminals' own escape timeouts do:
// a terminal sends a whole sequence at once, but the bytes may still arrive in separate reads.
constexpr int64_t escape_wait_ms = 50;

// Decodes `bytes` that arrived at `now_ms` (any clock in milliseconds), appending records. A sequence
// cut off at the end waits in the decoder.
void terminal_decode(TerminalDecoder& decoder, std::string_view bytes, int64_t now_ms,
                     std::vector<INPUT_RECORD>& records);

// Settles what waits once it has waited escape_wait_ms by `now_ms`, as terminal_decode_flush does;
// before that it keeps waiting.
void terminal_decode_expire(TerminalDecoder& decoder, int64_t now_ms, std::vector<INPUT_RECORD>& records);

// Settles what waits as if nothing more follows: a lone ESC is the Escape key, a cut-off UTF-8
// character is U+FFFD, a cut-off escape sequence is dropped.
void terminal_decode_flush(TerminalDecoder& decoder, std::vector<INPUT_RECORD>& records);

}  // namespace novra
