// The small pieces of text that describe a profile in words: "30 ms", "15%", "a, b, c".
#pragma once

#include <string>
#include <vector>

namespace orvsim
{

// A number rounded to `decimals`, without trailing zeros: (30.0, 1) -> "30", (1.06, 3) -> "1.06".
std::string roundedText(double value, int decimals);
// Seconds as milliseconds: 0.03 -> "30".
std::string millisecondsText(double seconds);
// A share as per cent: 0.15 -> "15%".
std::string percentText(double share);
// The parts joined with ", ", or `none` when there are none.
std::string joinedOrNone(const std::vector<std::string>& parts, const std::string& none);

} // namespace orvsim
