// The table node's Info CHOP and Info DAT as a few lines of the live view, so the tool shows
// the figures a user sees in the host beside the node:
//
//   Accepted 1234 datagrams (dropped: 0 filtered, 0 ignored, 0 decode errors)
//   Last 0.02 s ago; decks A 0.02 s, B 0.02 s, C never, D never; 5 events
//   From 127.0.0.1:51234; bound 0.0.0.0:3650, group 239.0.0.1 joined
//
// Each line fits 80 columns for everyday figures; the view cuts what does not fit its width.
#pragma once

#include "view/Snapshot.h"

#include <string>
#include <vector>

namespace orvtool
{

// Three lines (one when the node shows neither an Info CHOP nor an Info DAT), without '\n'.
std::vector<std::string> healthLines(const NodeInfo& info);

// An Info CHOP age in seconds as the view shows it: "never" for -1 (nothing yet), "0.02 s"
// below 10 s, whole seconds above; "-" when the node shows no such channel.
std::string ageText(double seconds);

} // namespace orvtool
