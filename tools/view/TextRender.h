// A snapshot as text for a terminal: the table as the host shows it (label column and decks
// A to D, then the event rows), the 48 channels laid out by deck, and the beat clocks (each
// deck's, with its phrase, track end and loop, and On Air's with the mix), at most 80 columns
// wide. Texts from the network are made safe to print: control characters (which could
// drive the terminal) become '?'.
#pragma once

#include "view/ScreenSize.h"
#include "view/Snapshot.h"
#include "view/TextWidth.h"

#include <string>

namespace orvtool
{

// `title` heads the first line ("orv demo"); the node's texts and its health lines
// (HealthText.h) follow. With a screen size, the text fits it: the full view when it has
// room, otherwise a compact one (the table's main rows, the mixer and the events on a line
// each, the beat clock with On Air's phrase, track end and mix, then the notes), cut to the screen (ScreenFit.h).
std::string renderSnapshot(const Snapshot& snapshot, const std::string& title,
                           const ScreenSize& screen = {});

// A number for a narrow column: at most three decimals, no trailing zeros.
std::string compactNumber(double value);

} // namespace orvtool
