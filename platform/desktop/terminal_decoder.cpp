// Terminal bytes to console key records.
#include "platform/desktop/terminal_decoder.h"

#include <cstring>

#include "platform/sim/driver.h"
#include "platform/sim/text.h"

namespace novra {

namespace {

// The US layout's key for a printable ASCII character, and whether Shift makes it.
void ascii_key(char c, uint8_t& virtual_key, bool& shifted) {
    static const char plain[] = "`-=[]\\;',./";
    static const char shift[] = "~_+{}|:\"<>?";
    static const uint8_t keys[] = {VK_OEM_3, VK_OEM_MINUS, VK_OEM_PLUS,  VK_OEM_4,      VK_OEM_6, VK_OEM_5,
                                   VK_OEM_1, VK_OEM_7,     VK_OEM_COMMA, VK_OEM_PERIOD, VK_OEM_2};
    static const char shifted_digits[] = ")!@#$%^&*(";
    shifted = false;
    virtual_key = 0;
    if (c >= 'a' && c <= 'z') virtual_key = uint8_t(c - 32);
    if (c >= 'A' && c <= 'Z') virtual_key = uint8_t(c), shifted = true;
    if (c >= '0' && c <= '9') virtual_key = uint8_t(c);
    if (c == ' ') virtual_key = VK_SPACE;
    for (size_t i = 0; plain[i]; ++i) {
        if (c == plain[i]) virtual_key = keys[i];
        if (c == shift[i]) virtual_key = keys[i], shifted = true;
    }
    for (size_t i = 0; shifted_digits[i]; ++i) {
        if (c == shifted_digits[i]) virtual_key = uint8_t('0' + i), shifted = true;
    }
}

// A control byte or a printable character typed on its own.
void plain_key(std::vector<INPUT_RECORD>& records, unsigned char byte, DWORD control_state) {
    switch (byte) {
        case 13:
            key_records(records, 13, VK_RETURN, control_state);
            return;
        case 8:
        case 0x7F:
            key_records(records, 8, VK_BACK, control_state);
            return;
        case 9:
            key_records(records, 9, VK_TAB, control_state);
            return;
        case 27:
            key_records(records, 27, VK_ESCAPE, control_state);
            return;
        case 0:
            key_records(records, 0, VK_SPACE, control_state | LEFT_CTRL_PRESSED);
            return;
        default:
            break;
    }
    if (byte < 0x20) {
        // Ctrl+A to Ctrl+Z give 1 to 26; the rest of the control bytes come from Ctrl with punctuation.
        uint8_t key = byte <= 26 ? uint8_t('A' + byte - 1) : 0;
        key_records(records, byte, key, control_state | LEFT_CTRL_PRESSED);
        return;
    }
    uint8_t key;
    bool shifted;
    ascii_key(char(byte), key, shifted);
    key_records(records, byte, key, control_state | (shifted ? SHIFT_PRESSED : 0));
}

// Modifier parameter of an escape sequence (1 + Shift 1 + Alt 2 + Ctrl 4) as control key state.
DWORD modifier_state(int parameter) {
    int bits = parameter > 1 ? parameter - 1 : 0;
    return ((bits & 1) ? SHIFT_PRESSED : 0) | ((bits & 2) ? LEFT_ALT_PRESSED : 0) |
           ((bits & 4) ? LEFT_CTRL_PRESSED : 0);
}

uint8_t final_byte_key(char final) {
    switch (final) {
        case 'A':
            return VK_UP;
        case 'B':
            return VK_DOWN;
        case 'C':
            return VK_RIGHT;
        case 'D':
            return VK_LEFT;
        case 'H':
            return VK_HOME;
        case 'F':
            return VK_END;
        case 'P':
            return VK_F1;
        case 'Q':
            return VK_F1 + 1;
        case 'R':
            return VK_F1 + 2;
        case 'S':
            return VK_F1 + 3;
        default:
            return 0;
    }
}

uint8_t tilde_key(int number) {
    switch (number) {
        case 1:
        case 7:
            return VK_HOME;
        case 2:
            return VK_INSERT;
        case 3:
            return VK_DELETE;
        case 4:
        case 8:
            return VK_END;
        case 5:
            return VK_PRIOR;
        case 6:
            return VK_NEXT;
        case 11:
        case 12:
        case 13:
        case 14:
        case 15:
            return uint8_t(VK_F1 + number - 11);
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
            return uint8_t(VK_F1 + 5 + number - 17);
        case 23:
        case 24:
            return uint8_t(VK_F1 + 10 + number - 23);
        default:
            return 0;
    }
}

DWORD extended_if_navigation(uint8_t key) {
    bool navigation = (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
    return navigation ? ENHANCED_KEY : 0;
}

// Digits past this stop counting: no key has so large a number, and a long run of them must not overflow.
constexpr int parameter_cap = 10'000;

// Decodes the unit at the start of `bytes`; returns the bytes used, or 0 when the unit is cut off.
size_t decode_one(std::string_view bytes, std::vector<INPUT_RECORD>& records) {
    auto byte = static_cast<unsigned char>(bytes[0]);
    if (byte == 27) {
        if (bytes.size() < 2) return 0;
        char kind = bytes[1];
        if (kind == '[' || kind == 'O') {
            size_t end = 2;
            while (end < bytes.size() && (static_cast<unsigned char>(bytes[end]) < 0x40 || bytes[end] > 0x7E))
                ++end;
            if (end >= bytes.size()) return 0;
            int parameters[2] = {0, 0}, count = 0;
            for (size_t i = 2; i < end; ++i) {
                if (bytes[i] == ';')
                    ++count;
                else if (bytes[i] >= '0' && bytes[i] <= '9' && count < 2 && parameters[count] < parameter_cap)
                    parameters[count] = parameters[count] * 10 + (bytes[i] - '0');
            }
            char final = bytes[end];
            uint8_t key = final == '~' ? tilde_key(parameters[0]) : final_byte_key(final);
            if (key)
                key_records(records, 0, key, modifier_state(parameters[1]) | extended_if_navigation(key));
            return end + 1;
        }
        if (kind == 27) {
            plain_key(records, 27, 0);
            return 1;
        }
        // ESC before a key is how terminals send Alt with it.
        size_t first_record = records.size();
        size_t used = decode_one(bytes.substr(1), records);
        if (used == 0) return 0;
        for (size_t i = first_record; i < records.size(); ++i)
            records[i].Event.KeyEvent.dwControlKeyState |= LEFT_ALT_PRESSED;
        return used + 1;
    }
    if (byte < 0x80) {
        plain_key(records, byte, 0);
        return 1;
    }
    Utf8Step step = utf8_decode_step(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (step.truncated) return 0;
    std::u16string units;
    utf16_append(units, step.code_point);
    for (char16_t unit : units)
        key_records(records, unit, 0, 0);
    return size_t(step.length);
}

}  // namespace

void terminal_decode(TerminalDecoder& decoder, std::string_view bytes, int64_t now_ms,
                     std::vector<INPUT_RECORD>& records) {
    // What has waited its time is settled before the new bytes join it: after a stall, an Escape typed
    // long before a key is the Escape key, not Alt with that key.
    terminal_decode_expire(decoder, now_ms, records);
    const size_t waited = decoder.pending.size();
    decoder.pending.append(bytes);
    size_t at = 0;
    while (at < decoder.pending.size()) {
        size_t used = decode_one(std::string_view(decoder.pending).substr(at), records);
        if (used == 0) break;
        at += used;
    }
    decoder.pending.erase(0, at);
    if (at >= waited) decoder.pending_since_ms = now_ms;  // what waits now came in this read
}

void terminal_decode_expire(TerminalDecoder& decoder, int64_t now_ms, std::vector<INPUT_RECORD>& records) {
    if (!decoder.pending.empty() && now_ms - decoder.pending_since_ms >= escape_wait_ms)
        terminal_decode_flush(decoder, records);
}

void terminal_decode_flush(TerminalDecoder& decoder, std::vector<INPUT_RECORD>& records) {
    std::string waiting = std::move(decoder.pending);
    decoder.pending.clear();
    if (waiting.empty()) return;
    if (waiting[0] == 27) {
        // A lone Escape, or an escape sequence that never finished: the key itself, the rest dropped.
        if (waiting.size() == 1) plain_key(records, 27, 0);
        return;
    }
    key_records(records, 0xFFFD, 0, 0);
}

}  // namespace novra
