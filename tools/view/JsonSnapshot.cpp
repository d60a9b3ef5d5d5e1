#include "view/JsonSnapshot.h"

#include <cmath>

namespace orvtool
{

namespace
{

nlohmann::json cellJson(const orvharness::TableCell& cell)
{
    switch (cell.kind)
    {
    case orvharness::CellKind::Empty:
        return {{"kind", "empty"}, {"value", nullptr}};
    case orvharness::CellKind::Text:
        return {{"kind", "text"}, {"value", cell.text}};
    case orvharness::CellKind::Number:
    case orvharness::CellKind::Int:
    {
        nlohmann::json value = nullptr; // JSON has no NaN or infinity
        if (std::isfinite(cell.number))
            value = cell.number;
        return {{"kind", cell.kind == orvharness::CellKind::Int ? "int" : "number"},
                {"value", value},
                {"text", cell.text}};
    }
    }
    return {{"kind", "empty"}, {"value", nullptr}};
}

nlohmann::json numberOrNull(double value)
{
    return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(nullptr);
}

// A channel that holds a deck's number as a whole number; null when none was written.
nlohmann::json deckNumber(float deck)
{
    return std::isfinite(deck) ? nlohmann::json(std::lround(deck)) : nlohmann::json(nullptr);
}

// The On Air node: the deck it follows and the one coming in or going out (0: none; null before
// it wrote one), how often the followed deck changed and how long ago, and its channels by name.
nlohmann::json onAirJson(const Snapshot& snapshot)
{
    const OnAirClock& onAir = snapshot.onAir;
    nlohmann::json channels = nlohmann::json::object();
    for (size_t k = 0; k < onAir.values.size() && k < onAir.names.size(); ++k)
        channels[onAir.names[k]] = numberOrNull(onAir.values[k]);
    return {
        {"deck", deckNumber(onAir.value("deck"))},
        {"nextDeck", deckNumber(onAir.value("next_deck"))},
        {"switches", onAir.switches},
        {"secondsSinceSwitch", onAir.switchedAt < 0.0
                                   ? nlohmann::json(nullptr)
                                   : nlohmann::json(snapshot.seconds - onAir.switchedAt)},
        {"channels", channels},
    };
}

// The events node's counts, in the order the names first arrived.
nlohmann::json eventsJson(const Snapshot& snapshot)
{
    nlohmann::json events = nlohmann::json::array();
    for (const EventCount& event : snapshot.events)
    {
        events.push_back(
            {{"name", event.name},
             {"count", numberOrNull(event.count)},
             {"secondsSinceChange", event.changedAt < 0.0
                                        ? nlohmann::json(nullptr)
                                        : nlohmann::json(snapshot.seconds - event.changedAt)}});
    }
    return events;
}

// The table node's Info CHOP channels and Info DAT rows by name, as the host shows them (an age
// of -1: nothing yet).
nlohmann::json infoJson(const NodeInfo& info)
{
    nlohmann::json channels = nlohmann::json::object();
    for (const orvharness::InfoChannel& channel : info.channels)
        channels[channel.name] = numberOrNull(channel.value);
    nlohmann::json rows = nlohmann::json::object();
    for (const std::vector<std::string>& row : info.rows)
    {
        if (!row.empty())
            rows[row[0]] = row.size() >= 2 ? row[1] : std::string();
    }
    return {{"channels", channels}, {"rows", rows}};
}

} // namespace

nlohmann::json snapshotJson(const Snapshot& snapshot, const std::string& command)
{
    nlohmann::json cells = nlohmann::json::array();
    for (int32_t row = 0; row < snapshot.table.rows(); ++row)
    {
        nlohmann::json line = nlohmann::json::array();
        for (int32_t col = 0; col < snapshot.table.cols(); ++col)
            line.push_back(cellJson(snapshot.table.cell(row, col)));
        cells.push_back(std::move(line));
    }
    nlohmann::json channels = nlohmann::json::array();
    for (float value : snapshot.channels)
    {
        if (std::isfinite(value))
            channels.push_back(static_cast<double>(value));
        else
            channels.push_back(nullptr);
    }
    nlohmann::json beat = nlohmann::json::object();
    for (size_t k = 0; k < snapshot.beat.size() && k < snapshot.beatNames.size(); ++k)
    {
        const float value = snapshot.beat[k];
        beat[snapshot.beatNames[k]] = numberOrNull(value);
    }
    return {
        {"command", command},
        {"time", snapshot.seconds},
        {"frame", snapshot.frame},
        {"connected", snapshot.connected},
        {"error", snapshot.error},
        {"warning", snapshot.warning},
        {"hostError", snapshot.hostError},
        {"node",
         {{"ip", snapshot.node.ip},
          {"port", snapshot.node.port},
          {"multicast", snapshot.node.multicast},
          {"filter", snapshot.node.filter},
          {"bundles", snapshot.bundleDir}}},
        {"table",
         {{"rows", snapshot.table.rows()}, {"cols", snapshot.table.cols()}, {"cells", cells}}},
        {"channels", channels},
        {"beat", beat},
        {"onAir", onAirJson(snapshot)},
        {"events", eventsJson(snapshot)},
        {"info", infoJson(snapshot.info)},
        {"notes", snapshot.notes},
    };
}

std::string jsonLine(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace orvtool
