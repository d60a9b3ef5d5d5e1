// Reading the snapshots that `orv demo --json` and `orv monitor --json` print, one JSON
// object a line.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace orvtooltest
{

// Every line of `out` that reads as a JSON object; other lines are left out.
std::vector<nlohmann::json> snapshots(const std::string& out);

// The value of a table cell: a string for a text cell, a number for a number cell, null for
// a cell never written (or outside the table).
nlohmann::json cellValue(const nlohmann::json& snapshot, int row, int col);
std::string cellKind(const nlohmann::json& snapshot, int row, int col);
int tableRows(const nlohmann::json& snapshot);
// Sample 0 of channel `index`; NaN for a channel that no cook wrote.
double channel(const nlohmann::json& snapshot, int index);
// The row whose label (column 0) is `label`, or -1.
int rowLabelled(const nlohmann::json& snapshot, const std::string& label);

} // namespace orvtooltest
