// Reading console key records back as the keys they stand for: shared by the tests of every driver
// that turns typed input into records (the terminal decoder, the web panel).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "platform/win32.h"

namespace novra {

struct Key {
    char16_t character;
    WORD virtual_key;
    DWORD control_state;
    bool operator==(const Key&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Key& key) {
    return out << "{" << int(key.character) << ", " << key.virtual_key << ", " << key.control_state << "}";
}

// The key-down records, after checking that each is followed by its key-up, as a console queues a typed
// key. Control-state bits outside `state_bits` are left out of the keys.
inline std::vector<Key> keys_of(const std::vector<INPUT_RECORD>& records, DWORD state_bits = ~DWORD(0)) {
    std::vector<Key> keys;
    EXPECT_EQ(records.size() % 2, 0u);
    for (size_t i = 0; i + 1 < records.size(); i += 2) {
        const KEY_EVENT_RECORD& down = records[i].Event.KeyEvent;
        const KEY_EVENT_RECORD& up = records[i + 1].Event.KeyEvent;
        EXPECT_EQ(records[i].EventType, KEY_EVENT);
        EXPECT_EQ(records[i + 1].EventType, KEY_EVENT);
        EXPECT_TRUE(down.bKeyDown);
        EXPECT_FALSE(up.bKeyDown);
        EXPECT_EQ(down.wRepeatCount, 1);
        EXPECT_EQ(up.uChar.UnicodeChar, down.uChar.UnicodeChar);
        EXPECT_EQ(up.wVirtualKeyCode, down.wVirtualKeyCode);
        keys.push_back(
            Key{down.uChar.UnicodeChar, down.wVirtualKeyCode, down.dwControlKeyState & state_bits});
    }
    return keys;
}

}  // namespace novra
