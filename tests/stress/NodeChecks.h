// Reads what one table node and one channel node show through the headless host and checks
// that every slot holds a whole record of one datagram (see StressTraffic.h).
#pragma once

#include "harness/Network.h"

#include <string>

namespace orvstress
{

// "" when every deck, meta and control shown by the table node `orv` is whole; otherwise the
// first problem.
std::string checkTable(const orvharness::Table& table);
// The same for the deck and control channels of a channel node.
std::string checkChannels(const std::vector<std::vector<float>>& channels);

// Rows below the fixed ones (one per event name), and the bytes of their names.
size_t eventRows(const orvharness::Table& table);
size_t eventNameBytes(const orvharness::Table& table);

} // namespace orvstress
