// A node's Info CHOP and Info DAT, read as the host reads them when someone looks: for the
// channels getNumInfoCHOPChans, then getInfoCHOPChan for each index with a fresh host string
// for the name; for the table getInfoDATSize, then getInfoDATEntries once per row (or per
// column, when the plug-in asked for byColumn) with a fresh host string per cell.
#pragma once

#include <string>
#include <vector>

namespace orvharness
{

class Node;

struct InfoChannel
{
    std::string name;
    float value = 0.0f;
};

// Rows of cells, always row by row, whatever order the plug-in filled them in.
using InfoTable = std::vector<std::vector<std::string>>;

// A count or size out of bounds (negative, or over maxInfoEntries) reads as nothing and is
// reported in the node's host error text.
constexpr int maxInfoEntries = 100000;

std::vector<InfoChannel> readInfoChannels(Node& node);
// Empty when getInfoDATSize answers false.
InfoTable readInfoTable(Node& node);

} // namespace orvharness
