// The web driver's console panel: the simulated console's cells as the HTML of a <pre>, one line per
// buffer row, each cell at its column. Code unit 0 shows as a space; control characters 1-31 and 127
// as their code page 437 glyphs (☺ ... ▼, ⌂), as a Windows console shows them, the C1 controls as the
// glyphs code page 437 has at those bytes, and unpaired surrogates as U+FFFD, so nothing in a cell is
// ever taken as markup or layout. A full-width character, which the console gives a leading and a
// trailing cell, is drawn once across both; a surrogate pair (two such characters) as its one
// character across the high surrogate's cells, the low surrogate's left blank, as the terminal shows
// it. The cursor cell is marked (class "cursor"); text in other
// colours than the console's default (light grey on black) is marked with its colours (classes "fN"
// and "bN", N the 4-bit console colour).
#pragma once

#include <string>

#include "platform/sim/driver.h"

namespace novra {

// Writes the panel's HTML for `console` into `html`, replacing what it held. Its storage is reused, so
// once it has grown a redraw allocates nothing.
void web_panel_html(const SimConsole& console, std::string& html);

}  // namespace novra
