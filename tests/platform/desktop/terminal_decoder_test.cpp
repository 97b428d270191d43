// Terminal bytes to console key records: characters, control keys, escape sequences, UTF-8 beyond
// the BMP, and sequences cut across reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/desktop/terminal_decoder.h"
#include "tests/shared/key_records.h"

namespace novra {
namespace {

std::vector<Key> decode(const std::string& bytes) {
    TerminalDecoder decoder;
    std::vector<INPUT_RECORD> records;
    terminal_decode(decoder, bytes, 0, records);
    terminal_decode_flush(decoder, records);
    return keys_of(records, ~ENHANCED_KEY);
}

TEST(TerminalDecoder, TurnsBytesIntoTheKeysAWindowsConsoleReports) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<Key> keys;
    };
    const Case cases[] = {
        {"letters", "aB", {{u'a', 'A', 0}, {u'B', 'B', SHIFT_PRESSED}}},
        {"enter", "\r", {{13, VK_RETURN, 0}}},
        {"backspace as DEL", "\x7f", {{8, VK_BACK, 0}}},
        {"backspace as BS", "\b", {{8, VK_BACK, 0}}},
        {"tab", "\t", {{9, VK_TAB, 0}}},
        {"lone escape", "\x1b", {{27, VK_ESCAPE, 0}}},
        {"ctrl+c", "\x03", {{3, 'C', LEFT_CTRL_PRESSED}}},
        {"arrows",
         "\x1b[A\x1b[B\x1b[C\x1b[D",
         {{0, VK_UP, 0}, {0, VK_DOWN, 0}, {0, VK_RIGHT, 0}, {0, VK_LEFT, 0}}},
        {"application arrows", "\x1bOA", {{0, VK_UP, 0}}},
        {"ctrl+right", "\x1b[1;5C", {{0, VK_RIGHT, LEFT_CTRL_PRESSED}}},
        {"delete and page down", "\x1b[3~\x1b[6~", {{0, VK_DELETE, 0}, {0, VK_NEXT, 0}}},
        {"f1 and f12", "\x1bOP\x1b[24~", {{0, VK_F1, 0}, {0, VK_F12, 0}}},
        {"alt+x", "\x1bx", {{u'x', 'X', LEFT_ALT_PRESSED}}},
        {"bmp character", "\xE3\x81\x82", {{u'\u3042', 0, 0}}},
        {"beyond the bmp", "\xF0\x9F\x98\x80", {{char16_t(0xD83D), 0, 0}, {char16_t(0xDE00), 0, 0}}},
        {"malformed byte", "\xFFz", {{0xFFFD, 0, 0}, {u'z', 'Z', 0}}},
        {"punctuation", "!/", {{u'!', '1', SHIFT_PRESSED}, {u'/', VK_OEM_2, 0}}},
        {"a parameter too long for any key", "\x1b[99999999999~x", {{u'x', 'X', 0}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decode(c.bytes), c.keys) << c.name;
}

// Reads at given times (ms): a sequence cut across reads, even with an empty read between, completes;
// only once escape_wait_ms have passed since its first byte is what waits settled.
TEST(TerminalDecoder, SequencesCutAcrossReadsWaitForTheirEndOrTheirTime) {
    struct Read {
        int64_t at;
        std::string bytes;  // empty: a read that found nothing
    };
    struct Case {
        const char* name;
        std::vector<Read> reads;
        std::vector<Key> keys;
        bool waiting;  // something still waits after the last read
    };
    const Case cases[] = {
        {"up arrow in three reads",
         {{0, "x\x1b["}, {10, ""}, {20, "1;2"}, {45, "A"}},
         {{u'x', 'X', 0}, {0, VK_UP, SHIFT_PRESSED}},
         false},
        {"character in two reads", {{0, "\xE3\x81"}, {49, "\x82"}}, {{u'\u3042', 0, 0}}, false},
        {"lone escape before its time", {{0, "\x1b"}, {49, ""}}, {}, true},
        {"lone escape after its time", {{0, "\x1b"}, {50, ""}}, {{27, VK_ESCAPE, 0}}, false},
        {"the time counts from the first byte", {{0, "\x1b["}, {30, "1"}, {50, ""}}, {}, false},
        {"escape then a key in time is alt",
         {{0, "\x1b"}, {40, "x"}},
         {{u'x', 'X', LEFT_ALT_PRESSED}},
         false},
        {"escape then a key too late is two keys",
         {{0, "\x1b"}, {60, ""}, {61, "x"}},
         {{27, VK_ESCAPE, 0}, {u'x', 'X', 0}},
         false},
        {"an escape outlived by a stall settles before the next read's bytes",
         {{0, "\x1b"}, {200, "x"}},
         {{27, VK_ESCAPE, 0}, {u'x', 'X', 0}},
         false},
        {"the timer starts with the read that leaves an escape waiting",
         {{1000, "\x1b"}, {1010, "[A"}},
         {{0, VK_UP, 0}},
         false},
        {"a new wait starts with the bytes left over",
         {{0, "\x1b"}, {40, "x\x1b"}, {80, ""}},
         {{u'x', 'X', LEFT_ALT_PRESSED}},
         true},
    };
    for (const Case& c : cases) {
        TerminalDecoder decoder{};
        std::vector<INPUT_RECORD> records;
        for (const Read& read : c.reads) {
            if (!read.bytes.empty()) terminal_decode(decoder, read.bytes, read.at, records);
            terminal_decode_expire(decoder, read.at, records);
        }
        EXPECT_EQ(keys_of(records, ~ENHANCED_KEY), c.keys) << c.name;
        EXPECT_EQ(!decoder.pending.empty(), c.waiting) << c.name;
    }
}

TEST(TerminalDecoder, FlushSettlesWhatWaits) {
    struct Case {
        std::string bytes;
        std::vector<Key> keys;
    };
    const Case cases[] = {
        {"\x1b", {{27, VK_ESCAPE, 0}}},
        {"\xE3\x81", {{0xFFFD, 0, 0}}},
        {"\x1b[1;", {}},
    };
    for (const Case& c : cases) {
        TerminalDecoder decoder;
        std::vector<INPUT_RECORD> records;
        terminal_decode(decoder, c.bytes, 0, records);
        EXPECT_TRUE(records.empty());
        terminal_decode_flush(decoder, records);
        EXPECT_EQ(keys_of(records, ~ENHANCED_KEY), c.keys);
        EXPECT_TRUE(decoder.pending.empty());
    }
}

}  // namespace
}  // namespace novra
