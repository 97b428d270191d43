// DOM keyboard events to virtual-key codes and console key records.
#include "platform/web/web_keys.h"

#include "platform/sim/driver.h"
#include "platform/sim/text.h"

namespace novra {

namespace {

struct NamedKey {
    std::string_view name;
    uint8_t virtual_key;
};

// KeyboardEvent.code names of the keys the desktop driver maps. The names of keys that type nothing
// ("Enter", "ArrowLeft", "Home", "F1") are also their `key` values.
constexpr NamedKey named_keys[] = {
    {"Enter", VK_RETURN},
    {"NumpadEnter", VK_RETURN},
    {"Escape", VK_ESCAPE},
    {"Backspace", VK_BACK},
    {"Tab", VK_TAB},
    {"Space", VK_SPACE},
    {"Minus", VK_OEM_MINUS},
    {"Equal", VK_OEM_PLUS},
    {"BracketLeft", VK_OEM_4},
    {"BracketRight", VK_OEM_6},
    {"Backslash", VK_OEM_5},
    {"Semicolon", VK_OEM_1},
    {"Quote", VK_OEM_7},
    {"Backquote", VK_OEM_3},
    {"Comma", VK_OEM_COMMA},
    {"Period", VK_OEM_PERIOD},
    {"Slash", VK_OEM_2},
    {"CapsLock", VK_CAPITAL},
    {"Pause", VK_PAUSE},
    {"Insert", VK_INSERT},
    {"Home", VK_HOME},
    {"PageUp", VK_PRIOR},
    {"Delete", VK_DELETE},
    {"End", VK_END},
    {"PageDown", VK_NEXT},
    {"ArrowRight", VK_RIGHT},
    {"ArrowLeft", VK_LEFT},
    {"ArrowDown", VK_DOWN},
    {"ArrowUp", VK_UP},
    {"ControlLeft", VK_LCONTROL},
    {"ShiftLeft", VK_LSHIFT},
    {"AltLeft", VK_LMENU},
    {"MetaLeft", VK_LWIN},
    {"OSLeft", VK_LWIN},
    {"ControlRight", VK_RCONTROL},
    {"ShiftRight", VK_RSHIFT},
    {"AltRight", VK_RMENU},
    {"MetaRight", VK_RWIN},
    {"OSRight", VK_RWIN},
};

uint8_t named_key(std::string_view name) {
    for (const NamedKey& named : named_keys) {
        if (named.name == name) return named.virtual_key;
    }
    return 0;
}

// "F1" to "F12".
uint8_t function_key(std::string_view name) {
    if (name.size() < 2 || name.size() > 3 || name[0] != 'F') return 0;
    int number = 0;
    for (char c : name.substr(1)) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number >= 1 && number <= 12 ? uint8_t(VK_F1 + number - 1) : 0;
}

// The single character `text` types, or 0 when it is empty, longer than one character or malformed.
char32_t single_character(std::string_view text) {
    if (text.empty()) return 0;
    Utf8Step step = utf8_decode_step(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    return step.valid && size_t(step.length) == text.size() ? step.code_point : 0;
}

// The key typing an ASCII letter, digit or space makes, for events without a `code`.
uint8_t character_key(char32_t character) {
    if (character >= 'a' && character <= 'z') return uint8_t(character - 'a' + 'A');
    if ((character >= 'A' && character <= 'Z') || (character >= '0' && character <= '9'))
        return uint8_t(character);
    return character == ' ' ? uint8_t(VK_SPACE) : 0;
}

bool is_function_key(uint8_t virtual_key) {
    return virtual_key >= VK_F1 && virtual_key <= VK_F12;
}

DWORD control_state(const WebKey& key) {
    // AltGr arrives as Ctrl and Alt together, as Windows reports it: left Ctrl and right Alt.
    if (key.ctrl && key.alt) return LEFT_CTRL_PRESSED | RIGHT_ALT_PRESSED | (key.shift ? SHIFT_PRESSED : 0);
    return (key.shift ? SHIFT_PRESSED : 0) | (key.ctrl ? LEFT_CTRL_PRESSED : 0) |
           (key.alt ? LEFT_ALT_PRESSED : 0);
}

}  // namespace

uint8_t web_virtual_key(std::string_view code, std::string_view key) {
    if (code.empty()) {
        const char32_t character = single_character(key);
        if (character) return character_key(character);
        const uint8_t named = named_key(key);
        return named ? named : function_key(key);
    }
    if (code.size() == 4 && code.starts_with("Key") && code[3] >= 'A' && code[3] <= 'Z')
        return uint8_t(code[3]);
    if (code.size() == 6 && code.starts_with("Digit") && code[5] >= '0' && code[5] <= '9')
        return uint8_t(code[5]);
    if (code.size() == 7 && code.starts_with("Numpad") && code[6] >= '0' && code[6] <= '9') {
        // With NumLock off the keypad's digits are Insert, End, the arrows and so on; 5 is "Clear".
        const uint8_t navigation = key.size() > 1 ? named_key(key) : 0;
        return navigation ? navigation : uint8_t(VK_NUMPAD0 + (code[6] - '0'));
    }
    if (code == "NumpadDecimal" && key == "Delete") return VK_DELETE;
    if (uint8_t function = function_key(code)) return function;
    return named_key(code);
}

bool web_game_takes(const WebKey& key) {
    const uint8_t virtual_key = web_virtual_key(key.code, key.key);
    return virtual_key != 0 && virtual_key != VK_TAB && !is_function_key(virtual_key) && !key.ctrl &&
           !key.meta;
}

bool web_console_keys(const WebKey& key, std::vector<INPUT_RECORD>& records) {
    if (key.meta) return false;
    const uint8_t virtual_key = web_virtual_key(key.code, key.key);
    const DWORD state = control_state(key);
    const char32_t character = single_character(key.key);
    if (character != 0) {
        if (key.ctrl && !key.alt) {
            // Ctrl with a letter types its control character; Ctrl with anything else (digits, zoom,
            // punctuation) stays the browser's.
            const char32_t letter = character | 0x20;
            if (letter < 'a' || letter > 'z') return false;
            key_records(records, char16_t(letter - 'a' + 1), uint8_t(letter - 'a' + 'A'), state);
            return true;
        }
        if (character < 0x10000) {
            key_records(records, char16_t(character), virtual_key, state);
        } else {
            const char32_t above = character - 0x10000;
            key_records(records, char16_t(0xD800 + (above >> 10)), virtual_key, state);
            key_records(records, char16_t(0xDC00 + (above & 0x3FF)), 0, state);
        }
        return true;
    }
    // Keys that type nothing: those `key` names as a key that does something ("Enter", "ArrowLeft",
    // "F5"), not modifiers alone, dead keys or "Unidentified".
    if (named_key(key.key) == 0 && function_key(key.key) == 0) return false;
    if (virtual_key == 0) return false;
    char16_t typed = 0;
    if (virtual_key == VK_RETURN) typed = 13;
    if (virtual_key == VK_BACK) typed = 8;
    if (virtual_key == VK_TAB) typed = 9;
    if (virtual_key == VK_ESCAPE) typed = 27;
    // The arrows and the block above them are extended keys; the keypad's, with NumLock off, are not.
    const bool navigation = (virtual_key >= VK_PRIOR && virtual_key <= VK_DOWN) || virtual_key == VK_INSERT ||
                            virtual_key == VK_DELETE;
    const bool extended = navigation && !key.code.starts_with("Numpad");
    key_records(records, typed, virtual_key, state | (extended ? ENHANCED_KEY : 0));
    return virtual_key != VK_TAB && !is_function_key(virtual_key);
}

bool web_browser_shortcut(const WebKey& key) {
    if (key.alt && (key.code == "ArrowLeft" || key.code == "ArrowRight")) return true;
    if (!(key.ctrl || key.meta) || key.code.size() != 4 || key.code.substr(0, 3) != "Key") return false;
    return std::string_view("RFLPDTWCV").find(key.code[3]) != std::string_view::npos;
}

void web_text_records(int32_t unit, std::vector<INPUT_RECORD>& records) {
    if (unit == '\r' || unit < 0 || unit > 0xFFFF) return;
    if (unit == '\n')
        key_records(records, u'\r', VK_RETURN, 0);
    else
        key_records(records, char16_t(unit), 0, 0);
}

}  // namespace novra
