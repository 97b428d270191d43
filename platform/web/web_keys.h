// The web driver's keyboard: DOM keyboard events to the game window's virtual-key codes and to the
// console key records typing in the panel gives. Plain functions of the event, so they are tested
// natively like the desktop driver's key map and terminal decoder.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace novra {

// What the driver reads of a KeyboardEvent. `code` names the physical key whatever the layout ("KeyA",
// "ArrowLeft", "ShiftLeft", "Numpad4"; empty for synthetic events); `key` is what the key types or does
// under the layout ("a", "A", "あ", "Enter", "ArrowLeft", "Dead"). Both UTF-8.
struct WebKey {
    std::string_view code;
    std::string_view key;
    bool shift, ctrl, alt, meta;
};

// The virtual-key code of a key, or 0 for a key the layer does not map. By `code`, as the desktop
// driver maps physical keys (US layout, left and right Shift, Ctrl and Alt apart); a keypad key whose
// `key` is a navigation key (NumLock off) as that key, as Windows reports it; an event without a
// `code` by its `key`.
uint8_t web_virtual_key(std::string_view code, std::string_view key);

// Whether the page keeps a key pressed over the game canvas from the browser (preventDefault): every
// mapped key, so the arrows and Space do not scroll the page, except Tab (focus moves on), F1-F12 and
// keys held with Ctrl or Meta, which stay the browser's (reload, developer tools, closing the tab).
bool web_game_takes(const WebKey& key);

// The console key records of a key pressed over the console panel, appended to `records`, as the
// terminal gives them: a key-down and a key-up record per UTF-16 code unit typed (two pairs for a
// character beyond the BMP, one per surrogate); Enter 13, Backspace 8, Tab 9 and Escape 27 with their
// keys; Ctrl with a letter its control character (Ctrl+A is 1); keys that type nothing (arrows, Home,
// Delete, F1-F12) character 0 with their virtual-key code. Keys held with Meta, Ctrl with anything
// but a letter, modifiers alone, dead keys and keys the browser cannot name give no record. Returns
// whether the page keeps the key from the browser: everything it turns into records except Tab and
// F1-F12.
bool web_console_keys(const WebKey& key, std::vector<INPUT_RECORD>& records);

// Whether a key pressed over the console panel is the browser's own and is left to it: with Ctrl or Cmd,
// reload (R), find (F), the address bar (L), print (P), bookmark (D), a new tab (T), closing (W), copy
// (C) and paste (V, which the page's paste handler types); and the history keys Alt+Left and Alt+Right.
bool web_browser_shortcut(const WebKey& key);

// The console key records of one UTF-16 code unit of text the panel gets without keys (a paste, a
// touch keyboard, an input method), appended to `records`: a line feed is Enter, so each pasted line
// runs; a carriage return gives nothing, so CR LF is one Enter. Units outside 0 to 0xFFFF give nothing.
void web_text_records(int32_t unit, std::vector<INPUT_RECORD>& records);

}  // namespace novra
