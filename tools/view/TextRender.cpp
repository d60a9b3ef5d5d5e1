#include "view/TextRender.h"
#include "harness/NumberText.h"

#include "protocol/NodeLayout.h"
#include "protocol/WireSchema.h"
#include "view/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace orvtool
{

namespace
{

constexpr size_t kLabelWidth = 12;
constexpr size_t kColumnWidth = 16;

// The UTF-8 characters of `text`, each a printable piece; controls (C0, DEL, C1) and bytes
// that start no valid character become "?".
std::vector<std::string> printableCharacters(const std::string& text)
{
    std::vector<std::string> characters;
    size_t i = 0;
    while (i < text.size())
    {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        if (lead >= 0xc2 && lead <= 0xdf)
            length = 2;
        else if (lead >= 0xe0 && lead <= 0xef)
            length = 3;
        else if (lead >= 0xf0 && lead <= 0xf4)
            length = 4;
        else if (lead >= 0x80)
            length = 0; // a continuation byte or an invalid lead
        bool valid = length > 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
        if (!valid)
        {
            characters.emplace_back("?");
            ++i;
            continue;
        }
        const bool c0 = length == 1 && (lead < 0x20 || lead == 0x7f);
        const bool c1 =
            length == 2 && lead == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0;
        characters.push_back(c0 || c1 ? std::string("?") : text.substr(i, length));
        i += length;
    }
    return characters;
}

std::string pad(const std::string& fitted, size_t width)
{
    // `fitted` came from fitText, so its characters are what the terminal shows.
    size_t columns = 0;
    for (unsigned char c : fitted)
        columns += (c & 0xc0) != 0x80 ? 1 : 0;
    return columns >= width ? fitted : fitted + std::string(width - columns, ' ');
}

std::string cellText(const orvharness::TableCell& cell, size_t width, bool keepEnd)
{
    switch (cell.kind)
    {
    case orvharness::CellKind::Empty:
        return pad("", width);
    case orvharness::CellKind::Text:
        return pad(fitText(cell.text, width - 1, keepEnd), width);
    case orvharness::CellKind::Number:
    case orvharness::CellKind::Int:
        return pad(fitText(compactNumber(cell.number), width - 1), width);
    }
    return pad("", width);
}

std::string channelValue(const Snapshot& snapshot, size_t index)
{
    if (index >= snapshot.channels.size())
        return "";
    const float value = snapshot.channels[index];
    return std::isnan(value) ? "-" : compactNumber(value);
}

void renderTable(const Snapshot& snapshot, std::ostream& out)
{
    const orvharness::Table& table = snapshot.table;
    out << "Table  " << table.rows() << " rows x " << table.cols() << " columns"
        << (snapshot.connected ? "" : "  (not written: the receiver is not connected)") << "\n";
    for (int32_t row = 0; row < table.rows(); ++row)
    {
        std::string line = cellText(table.cell(row, 0), kLabelWidth, false);
        for (int32_t col = 1; col < table.cols(); ++col)
            line += cellText(table.cell(row, col), kColumnWidth, row == 4);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out << line << "\n";
    }
}

void renderChannels(const Snapshot& snapshot, std::ostream& out)
{
    using namespace orvlayout;
    out << "Channels  " << snapshot.channels.size() << " (index value)\n";
    if (snapshot.channels.empty())
        return;
    std::string mixer;
    for (const FieldPlace& place : controlPlaces)
    {
        if (place.channel != noChannel)
            mixer += pad(std::to_string(place.channel) + " " + place.name, 14) +
                     pad(channelValue(snapshot, static_cast<size_t>(place.channel)), 10);
    }
    while (!mixer.empty() && mixer.back() == ' ')
        mixer.pop_back();
    out << mixer << "\n";
    std::string header = pad("", kLabelWidth);
    for (int deck = 0; deck < deckCount; ++deck)
        header += pad(deckHeaders[deck], kColumnWidth);
    while (!header.empty() && header.back() == ' ')
        header.pop_back();
    out << header << "\n";
    for (const FieldPlace& place : deckPlaces)
    {
        if (place.channel == noChannel)
            continue;
        std::string line = pad(place.name, kLabelWidth);
        for (int deck = 1; deck <= deckCount; ++deck)
        {
            const size_t index = static_cast<size_t>(deckChannel(deck, place.channel));
            line += pad(pad(std::to_string(index), 3) + fitText(channelValue(snapshot, index), 12),
                        kColumnWidth);
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out << line << "\n";
    }
    if (snapshot.channels.size() > static_cast<size_t>(unusedChannel))
        out << unusedChannel << " (not written by the operator) "
            << channelValue(snapshot, static_cast<size_t>(unusedChannel)) << "\n";
}

// One line per deck from the beat node's channels: a bar that fills across the beat, the
// beat in the bar, the tempo, and whether the clock is locked to the deck's beats.
void renderBeatClock(const Snapshot& snapshot, std::ostream& out)
{
    if (snapshot.beat.empty() || snapshot.beatNames.size() != snapshot.beat.size())
        return;
    const auto value = [&](int deck, const std::string& field)
    {
        const std::string name = "deck" + std::to_string(deck) + "_" + field;
        for (size_t k = 0; k < snapshot.beatNames.size(); ++k)
        {
            if (snapshot.beatNames[k] == name)
                return snapshot.beat[k];
        }
        return std::nanf("");
    };
    out << "Beat clock (beat1, all decks)\n";
    constexpr int kBarWidth = 20;
    for (int deck = 1; deck <= orvlayout::deckCount; ++deck)
    {
        const float ramp = value(deck, "beat_ramp");
        const int filled =
            std::isfinite(ramp) ? std::clamp(static_cast<int>(ramp * kBarWidth), 0, kBarWidth) : 0;
        const float beat = value(deck, "beat");
        std::string line = pad(orvlayout::deckHeaders[deck - 1], kLabelWidth) + "[" +
                           std::string(static_cast<size_t>(filled), '#') +
                           std::string(static_cast<size_t>(kBarWidth - filled), '.') + "]  beat " +
                           (std::isfinite(beat) ? compactNumber(beat) : "-") + "  " +
                           compactNumber(value(deck, "bpm")) + " BPM  " +
                           (value(deck, "playing") == 1.0f ? "playing" : "stopped") + "  " +
                           (value(deck, "locked") == 1.0f ? "locked" : "not locked");
        out << line << "\n";
    }
}

} // namespace

std::string fitText(const std::string& text, size_t width, bool keepEnd)
{
    const std::vector<std::string> characters = printableCharacters(text);
    std::string fitted;
    if (characters.size() <= width)
    {
        for (const std::string& c : characters)
            fitted += c;
        return fitted;
    }
    if (width == 0)
        return "";
    if (keepEnd)
    {
        fitted = "~";
        for (size_t i = characters.size() - (width - 1); i < characters.size(); ++i)
            fitted += characters[i];
        return fitted;
    }
    for (size_t i = 0; i + 1 < width; ++i)
        fitted += characters[i];
    return fitted + "~";
}

std::string compactNumber(double value)
{
    if (std::isnan(value) || std::isinf(value))
        return orvharness::numberText(value);
    if (std::fabs(value) >= 1e7)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.4g", value);
        return buffer;
    }
    std::string text = fixedText(value, 3);
    if (text.find('.') != std::string::npos)
    {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

std::string renderSnapshot(const Snapshot& snapshot, const std::string& title)
{
    std::ostringstream out;
    const NodeSettings& node = snapshot.node;
    out << title << "  node orv1: "
        << (node.multicast ? std::string("multicast ") + orvprotocol::multicastGroup + " on " : "")
        << node.ip << ":" << node.port
        << (node.filter.empty() ? "" : "  filter " + fitText(node.filter, 15)) << "  "
        << (snapshot.connected ? "connected" : "NOT CONNECTED") << "  "
        << fixedText(snapshot.seconds, 1) << " s\n";
    out << "error: " << (snapshot.error.empty() ? "-" : fitText(snapshot.error, 70)) << "\n";
    out << "warning: " << (snapshot.warning.empty() ? "-" : fitText(snapshot.warning, 68)) << "\n";
    if (!snapshot.hostError.empty())
        out << "host: " << fitText(snapshot.hostError, 72) << "\n";
    out << "\n";
    renderTable(snapshot, out);
    out << "\n";
    renderChannels(snapshot, out);
    if (!snapshot.beat.empty())
    {
        out << "\n";
        renderBeatClock(snapshot, out);
    }
    if (!snapshot.notes.empty())
    {
        out << "\n";
        for (const std::string& note : snapshot.notes)
            out << fitText(note, 200) << "\n";
    }
    return out.str();
}

} // namespace orvtool
