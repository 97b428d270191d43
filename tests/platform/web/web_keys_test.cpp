// DOM keyboard events to virtual-key codes and to the console key records the panel queues.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/web/web_keys.h"
#include "platform/web/web_picture.h"
#include "tests/shared/key_records.h"

namespace novra {
namespace {

TEST(WebKeys, MapsPhysicalKeysAsTheDesktopDriverDoes) {
    struct Case {
        const char* code;
        const char* key;
        int virtual_key;
    };
    const Case cases[] = {
        {"ArrowLeft", "ArrowLeft", VK_LEFT},
        {"ArrowUp", "ArrowUp", VK_UP},
        {"ArrowRight", "ArrowRight", VK_RIGHT},
        {"ArrowDown", "ArrowDown", VK_DOWN},
        {"KeyA", "a", 'A'},
        {"KeyZ", "Z", 'Z'},
        {"KeyQ", "a", 'Q'},  // the physical key, whatever the layout types (AZERTY)
        {"Digit0", "0", '0'},
        {"Digit9", "(", '9'},
        {"F1", "F1", VK_F1},
        {"F10", "F10", VK_F10},
        {"F12", "F12", VK_F12},
        {"F13", "F13", 0},
        {"Escape", "Escape", VK_ESCAPE},
        {"Enter", "Enter", VK_RETURN},
        {"NumpadEnter", "Enter", VK_RETURN},
        {"Space", " ", VK_SPACE},
        {"Backspace", "Backspace", VK_BACK},
        {"Tab", "Tab", VK_TAB},
        {"Slash", "/", VK_OEM_2},
        {"Backquote", "`", VK_OEM_3},
        {"ShiftLeft", "Shift", VK_LSHIFT},
        {"ShiftRight", "Shift", VK_RSHIFT},
        {"ControlLeft", "Control", VK_LCONTROL},
        {"AltRight", "AltGraph", VK_RMENU},
        {"MetaLeft", "Meta", VK_LWIN},
        {"Numpad0", "0", VK_NUMPAD0},
        {"Numpad9", "9", VK_NUMPAD0 + 9},
        // NumLock off: the keypad's 4, 8, 6 and 2 are the arrows, as Windows reports them.
        {"Numpad4", "ArrowLeft", VK_LEFT},
        {"Numpad8", "ArrowUp", VK_UP},
        {"Numpad6", "ArrowRight", VK_RIGHT},
        {"Numpad2", "ArrowDown", VK_DOWN},
        {"Numpad7", "Home", VK_HOME},
        {"Numpad5", "Clear", VK_NUMPAD0 + 5},
        {"NumpadDecimal", "Delete", VK_DELETE},
        // Synthetic events carry no code: their key decides.
        {"", "ArrowRight", VK_RIGHT},
        {"", "h", 'H'},
        {"", "7", '7'},
        {"", "Enter", VK_RETURN},
        {"", "F5", VK_F1 + 4},
        {"", "\xE3\x81\x82", 0},
        {"", "Shift", 0},
        {"IntlBackslash", "<", 0},
        {"Lang1", "HangulMode", 0},
        {"KeyAB", "x", 0},
        {"Digit", "x", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(web_virtual_key(c.code, c.key), c.virtual_key)
            << "code '" << c.code << "' key '" << c.key << "'";
}

TEST(WebKeys, OverTheCanvasThePageKeepsGameKeysAndLeavesTheBrowserItsOwn) {
    struct Case {
        WebKey key;
        bool taken;
    };
    const Case cases[] = {
        {{"ArrowDown", "ArrowDown", false, false, false, false}, true},  // would scroll the page
        {{"Space", " ", false, false, false, false}, true},
        {{"KeyW", "w", true, false, false, false}, true},
        {{"KeyR", "r", false, true, false, false}, false},  // reload
        {{"KeyW", "w", false, true, false, false}, false},  // close the tab
        {{"KeyL", "l", false, false, false, true}, false},
        {{"F5", "F5", false, false, false, false}, false},
        {{"F12", "F12", false, false, false, false}, false},
        {{"Tab", "Tab", false, false, false, false}, false},  // focus moves on to the panel
        {{"IntlRo", "\\", false, false, false, false}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(web_game_takes(c.key), c.taken) << c.key.code;
}

TEST(WebKeys, TypingInThePanelGivesTheRecordsTheTerminalGives) {
    struct Case {
        const char* name;
        WebKey key;
        std::vector<Key> keys;
        bool taken;
    };
    const Case cases[] = {
        {"letter", {"KeyH", "h", false, false, false, false}, {{u'h', 'H', 0}}, true},
        {"shifted letter", {"KeyH", "H", true, false, false, false}, {{u'H', 'H', SHIFT_PRESSED}}, true},
        {"space", {"Space", " ", false, false, false, false}, {{u' ', VK_SPACE, 0}}, true},
        {"enter", {"Enter", "Enter", false, false, false, false}, {{13, VK_RETURN, 0}}, true},
        {"keypad enter", {"NumpadEnter", "Enter", false, false, false, false}, {{13, VK_RETURN, 0}}, true},
        {"backspace", {"Backspace", "Backspace", false, false, false, false}, {{8, VK_BACK, 0}}, true},
        {"escape", {"Escape", "Escape", false, false, false, false}, {{27, VK_ESCAPE, 0}}, true},
        // Tab reaches the console, which ignores it, and still moves the focus on.
        {"tab", {"Tab", "Tab", false, false, false, false}, {{9, VK_TAB, 0}}, false},
        {"ctrl+c", {"KeyC", "c", false, true, false, false}, {{3, 'C', LEFT_CTRL_PRESSED}}, true},
        {"ctrl+shift+j",
         {"KeyJ", "J", true, true, false, false},
         {{10, 'J', SHIFT_PRESSED | LEFT_CTRL_PRESSED}},
         true},
        {"ctrl+digit", {"Digit1", "1", false, true, false, false}, {}, false},
        {"ctrl+minus", {"Minus", "-", false, true, false, false}, {}, false},
        {"alt+x", {"KeyX", "x", false, false, true, false}, {{u'x', 'X', LEFT_ALT_PRESSED}}, true},
        {"altgr",
         {"KeyQ", "@", false, true, true, false},
         {{u'@', 'Q', LEFT_CTRL_PRESSED | RIGHT_ALT_PRESSED}},
         true},
        {"arrow", {"ArrowLeft", "ArrowLeft", false, false, false, false}, {{0, VK_LEFT, ENHANCED_KEY}}, true},
        {"keypad arrow", {"Numpad4", "ArrowLeft", false, false, false, false}, {{0, VK_LEFT, 0}}, true},
        {"delete", {"Delete", "Delete", false, false, false, false}, {{0, VK_DELETE, ENHANCED_KEY}}, true},
        {"f1", {"F1", "F1", false, false, false, false}, {{0, VK_F1, 0}}, false},
        {"wide character", {"", "\xE6\xBC\xA2", false, false, false, false}, {{u'\u6F22', 0, 0}}, true},
        {"beyond the bmp",
         {"", "\xF0\x9F\x98\x80", false, false, false, false},
         {{char16_t(0xD83D), 0, 0}, {char16_t(0xDE00), 0, 0}},
         true},
        {"shift alone", {"ShiftLeft", "Shift", true, false, false, false}, {}, false},
        {"dead key", {"BracketLeft", "Dead", false, false, false, false}, {}, false},
        {"input method", {"KeyA", "Process", false, false, false, false}, {}, false},
        {"unidentified", {"", "Unidentified", false, false, false, false}, {}, false},
        {"meta", {"KeyV", "v", false, false, false, true}, {}, false},
        {"two characters", {"", "ab", false, false, false, false}, {}, false},
        {"malformed", {"", "\xFF", false, false, false, false}, {}, false},
    };
    for (const Case& c : cases) {
        std::vector<INPUT_RECORD> records;
        EXPECT_EQ(web_console_keys(c.key, records), c.taken) << c.name;
        EXPECT_EQ(keys_of(records), c.keys) << c.name;
    }
}

// Over the panel, the browser keeps its own shortcuts (with Ctrl or Cmd) and history keys; everything
// else with Ctrl is the console's (Ctrl+A is a control character there, Ctrl+U clears a line).
TEST(WebKeys, OverThePanelTheBrowserKeepsItsShortcutsOnly) {
    const struct {
        WebKey key;
        bool browsers;
    } cases[] = {
        {{"KeyR", "r", false, true, false, false}, true},
        {{"KeyR", "r", false, false, false, true}, true},
        {{"KeyV", "v", false, true, false, false}, true},
        {{"KeyC", "c", false, false, false, true}, true},
        {{"KeyW", "w", true, true, false, false}, true},
        {{"ArrowLeft", "ArrowLeft", false, false, true, false}, true},
        {{"KeyA", "a", false, true, false, false}, false},
        {{"KeyU", "u", false, true, false, false}, false},
        {{"KeyR", "r", false, false, false, false}, false},
        {{"ArrowLeft", "ArrowLeft", false, true, false, false}, false},
        {{"KeyR", "r", false, false, true, false}, false},
        {{"Digit1", "1", false, true, false, false}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(web_browser_shortcut(c.key), c.browsers) << c.key.code << " ctrl " << c.key.ctrl;
}

// Text that arrives without keys: each unit typed, a line feed finishing the line, CR LF one Enter.
TEST(WebKeys, PastedTextIsTypedWithEachLineFinishedOnce) {
    std::vector<INPUT_RECORD> records;
    for (int32_t unit :
         {int32_t('p'), int32_t('\r'), int32_t('\n'), 0xD83D, 0xDE00, int32_t('\n'), -1, 0x10000})
        web_text_records(unit, records);
    EXPECT_EQ(keys_of(records), (std::vector<Key>{{u'p', 0, 0},
                                                  {13, VK_RETURN, 0},
                                                  {char16_t(0xD83D), 0, 0},
                                                  {char16_t(0xDE00), 0, 0},
                                                  {13, VK_RETURN, 0}}));
}

// The canvas's bytes: top row first whichever way the picture lies, red-green-blue-opaque; and the
// rectangle reported as changed holds every pixel that changed (a pixel left out would stay stale on
// the canvas), the whole picture when its size changed, nothing when nothing did.
TEST(WebPicture, BytesAreTopRowFirstAndTheChangedRectangleHoldsEveryChange) {
    const auto rectangle = [](PictureChange change) {
        return std::vector<int32_t>{change.x, change.y, change.width, change.height};
    };
    uint32_t pixels[6] = {0x00112233, 0xFF445566, 0x00778899, 0x00AABBCC, 0x00DDEEFF, 0x00010203};
    StretchedPicture picture{pixels, 3, 2, true, 0, 0, 3, 2, 10, 20, 30, 40};
    std::vector<uint8_t> rgba;
    EXPECT_EQ(rectangle(web_picture_rgba(picture, rgba)), (std::vector<int32_t>{0, 0, 3, 2}));
    EXPECT_EQ(rgba,
              (std::vector<uint8_t>{0xAA, 0xBB, 0xCC, 255, 0xDD, 0xEE, 0xFF, 255, 0x01, 0x02, 0x03, 255,
                                    0x11, 0x22, 0x33, 255, 0x44, 0x55, 0x66, 255, 0x77, 0x88, 0x99, 255}));
    EXPECT_EQ(rectangle(web_picture_rgba(picture, rgba)), (std::vector<int32_t>{0, 0, 0, 0}));
    pixels[1] = 0x00445566;  // only the top byte, which is not shown
    EXPECT_EQ(rectangle(web_picture_rgba(picture, rgba)), (std::vector<int32_t>{0, 0, 0, 0}));
    pixels[2] = 0x00000001;  // bottom-up: the right end of the canvas's bottom row
    EXPECT_EQ(rectangle(web_picture_rgba(picture, rgba)), (std::vector<int32_t>{2, 1, 1, 1}));
    pixels[2] = 0x00000002;
    pixels[3] = 0x00000003;  // and the left end of its top row: the rectangle spans both
    EXPECT_EQ(rectangle(web_picture_rgba(picture, rgba)), (std::vector<int32_t>{0, 0, 3, 2}));
    pixels[4] = 0x00000004;
    EXPECT_EQ(rectangle(web_picture_rgba(picture, rgba)), (std::vector<int32_t>{1, 0, 1, 1}));
    picture.bottom_up = false;
    EXPECT_EQ(rectangle(web_picture_rgba(picture, rgba)), (std::vector<int32_t>{0, 0, 3, 2}));
    EXPECT_EQ(rgba[0], 0x11);
    picture.image_height = 1;  // a new size: the whole picture, though its top row is as it was
    EXPECT_EQ(rectangle(web_picture_rgba(picture, rgba)), (std::vector<int32_t>{0, 0, 3, 1}));
    EXPECT_EQ(rgba.size(), 12u);

    int32_t place[4];
    picture.dest_width = -30;  // a mirrored blit: the canvas spans the same pixels, unmirrored
    picture.dest_height = -40;
    web_picture_place(picture, place);
    EXPECT_EQ(std::vector<int32_t>(place, place + 4), (std::vector<int32_t>{-20, -20, 30, 40}));
}

}  // namespace
}  // namespace novra
