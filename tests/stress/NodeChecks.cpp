#include "NodeChecks.h"

#include "StressTraffic.h"
#include "chop/ChannelMap.h"
#include "dat/OrvDatParameters.h"

#include <cmath>

namespace orvstress
{

using namespace orvdat;

std::string checkTable(const orvharness::Table& table)
{
    // Rows of the Deck fields in DeckFields order.
    const int deckRows[11] = {VelocityRow, PositionRow, Position2Row, NormPosRow, BpmRow, LengthRow,
                              EqLowRow,    EqMidRow,    EqHighRow,    -1,         BeatRow};
    for (int column = 1; column <= kDeckCount; ++column)
    {
        DeckFields shown;
        for (int i = 0; i < 11; ++i)
        {
            // The table does not show `deck`; the column says it.
            shown.values[i] = deckRows[i] < 0 ? 0.0 : table.cell(deckRows[i], column).number;
        }
        bool filled = false;
        for (double value : shown.values)
        {
            filled = filled || value != 0.0;
        }
        shown.values[9] = filled ? column : 0;
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
    using namespace orvchannels;
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
        for (int i = 0; i < 11; ++i)
        {
            shown.values[i] = sample(deckBase(deck) + i);
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
    if (std::isnan(sample(kUpfaderAChannel)))
    {
        return "";
    }
    return checkControl(sample(kUpfaderAChannel), sample(kUpfaderBChannel),
                        sample(kCrossfaderChannel));
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
