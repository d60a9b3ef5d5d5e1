#include "ToolJson.h"

#include "ToolProcess.h"

#include <limits>

namespace orvtooltest
{

std::vector<nlohmann::json> snapshots(const std::string& out)
{
    std::vector<nlohmann::json> found;
    for (const std::string& line : lines(out))
    {
        nlohmann::json value = nlohmann::json::parse(line, nullptr, false);
        if (value.is_object())
            found.push_back(std::move(value));
    }
    return found;
}

namespace
{

const nlohmann::json* cell(const nlohmann::json& snapshot, int row, int col)
{
    const nlohmann::json& cells = snapshot.at("table").at("cells");
    if (row < 0 || col < 0 || static_cast<size_t>(row) >= cells.size() ||
        static_cast<size_t>(col) >= cells[static_cast<size_t>(row)].size())
        return nullptr;
    return &cells[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

} // namespace

nlohmann::json cellValue(const nlohmann::json& snapshot, int row, int col)
{
    const nlohmann::json* found = cell(snapshot, row, col);
    return found == nullptr ? nlohmann::json() : found->at("value");
}

std::string cellKind(const nlohmann::json& snapshot, int row, int col)
{
    const nlohmann::json* found = cell(snapshot, row, col);
    return found == nullptr ? "" : found->at("kind").get<std::string>();
}

int tableRows(const nlohmann::json& snapshot)
{
    return snapshot.at("table").at("rows").get<int>();
}

double channel(const nlohmann::json& snapshot, int index)
{
    const nlohmann::json& value = snapshot.at("channels").at(static_cast<size_t>(index));
    return value.is_number() ? value.get<double>() : std::numeric_limits<double>::quiet_NaN();
}

int rowLabelled(const nlohmann::json& snapshot, const std::string& label)
{
    for (int row = 0; row < tableRows(snapshot); ++row)
    {
        const nlohmann::json value = cellValue(snapshot, row, 0);
        if (value.is_string() && value.get<std::string>() == label)
            return row;
    }
    return -1;
}

} // namespace orvtooltest
