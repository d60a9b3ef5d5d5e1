#include "NodeChecks.h"

#include "StressTraffic.h"
#include "protocol/NodeLayout.h"

#include <cmath>

namespace orvstress
{

using namespace orvlayout;

std::string checkTable(const orvharness::Table& table)
{
    for (int column = 1; column <= kDeckCount; ++column)
    {
        // DeckFields are in channel order; the table does not show `deck`: the column says it.
        DeckFields shown;
        bool filled = false;
        for (const FieldPlace& place : kDeckPlaces)
        {
            if (place.row != kNoRow)
            {
                shown.values[place.channel] = table.cell(place.row, column).number;
                filled = filled || shown.values[place.channel] != 0.0;
            }
        }
        shown.values[placeOf(&Deck::deck).channel] = filled ? column : 0;
        std::string problem = checkDeck(shown, column);
        if (problem.empty())
        {
            const std::string texts[4] = {
                table.cell(TitleRow, column).text, table.cell(ArtistRow, column).text,
                table.cell(AlbumRow, column).text, table.cell(FilepathRow, column).text};
            problem = checkMeta(texts);
        }
        if (problem.empty())
        {
            problem = checkControl(table.cell(UpfaderARow, column).number,
                                   table.cell(UpfaderBRow, column).number,
                                   table.cell(CrossfaderRow, column).number);
        }
        if (!problem.empty())
        {
            return "table column " + std::to_string(column) + ": " + problem;
        }
    }
    return "";
}

std::string checkChannels(const std::vector<std::vector<float>>& channels)
{
    if (channels.size() < static_cast<size_t>(kChannelCount))
    {
        return channels.empty()
                   ? ""
                   : "channel node shows " + std::to_string(channels.size()) + " channels";
    }
    const auto sample = [&](int index) { return static_cast<double>(channels[index][0]); };
    for (int deck = 1; deck <= 4; ++deck)
    {
        DeckFields shown;
        bool written = false;
        for (int i = 0; i < kChannelsPerDeck; ++i)
        {
            shown.values[i] = sample(deckChannel(deck, i));
            written = written || !std::isnan(shown.values[i]);
        }
        if (!written)
        {
            continue; // never written: the host's buffers start as NaN
        }
        const std::string problem = checkDeck(shown, deck);
        if (!problem.empty())
        {
            return "channels: " + problem;
        }
    }
    const int upfaderA = placeOf(&Control::upfaderA).channel;
    if (std::isnan(sample(upfaderA)))
    {
        return "";
    }
    return checkControl(sample(upfaderA), sample(placeOf(&Control::upfaderB).channel),
                        sample(placeOf(&Control::crossfader).channel));
}

size_t eventRows(const orvharness::Table& table)
{
    return table.rows() > kFixedRows ? static_cast<size_t>(table.rows() - kFixedRows) : 0;
}

size_t eventNameBytes(const orvharness::Table& table)
{
    size_t bytes = 0;
    for (int row = kFixedRows; row < table.rows(); ++row)
    {
        bytes += table.cell(row, kLabelColumn).text.size();
    }
    return bytes;
}

} // namespace orvstress
