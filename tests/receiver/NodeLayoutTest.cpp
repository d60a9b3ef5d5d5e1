// The node layout against the wire schema: every channel and every labelled row is fed by
// exactly one field, and the walk the cooks use reaches the field of the key each place names.
#include "protocol/NodeLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

namespace
{

using namespace orvlayout;

TEST(NodeLayout, EveryChannelButTheUnusedOneIsFedByOneField)
{
    std::vector<int> feeds(channelCount, 0);
    for (const FieldPlace& place : controlPlaces)
    {
        if (place.channel != noChannel)
            ++feeds[place.channel];
    }
    for (int deck = 1; deck <= deckCount; ++deck)
    {
        for (const FieldPlace& place : deckPlaces)
        {
            if (place.channel != noChannel)
                ++feeds[deckChannel(deck, place.channel)];
        }
    }
    for (int channel = 0; channel < channelCount; ++channel)
        EXPECT_EQ(feeds[channel], channel == unusedChannel ? 0 : 1) << "channel " << channel;
}

TEST(NodeLayout, EveryLabelledRowIsFedByOneField)
{
    std::vector<int> feeds(fixedRows, 0);
    const auto count = [&](const auto& places)
    {
        for (const FieldPlace& place : places)
        {
            if (place.row != noRow)
                ++feeds[place.row];
        }
    };
    count(controlPlaces);
    count(deckPlaces);
    count(metaPlaces);
    for (int row = 0; row < fixedRows; ++row)
        EXPECT_EQ(feeds[row], row == HeaderRow ? 0 : 1) << "row " << row;
}

// Each shown field gets a value from its place through the cooks' walk; read back through the
// walk of the key table, every key's field must hold the value of its own place.
TEST(NodeLayout, TheWalkReachesTheFieldOfEachPlacesKey)
{
    Deck deck;
    forEachShownField<Deck>(
        [&](auto field)
        {
            using Field = decltype(field);
            using Value = std::decay_t<decltype(deck.*Field::member)>;
            deck.*Field::member = static_cast<Value>(Field::place.channel + 1);
        });
    orvprotocol::forEachKey<Deck>(
        [&](auto key)
        {
            using Key = decltype(key);
            EXPECT_EQ(static_cast<double>(deck.*Key::member),
                      placeOf<Deck>(Key::key.key).channel + 1)
                << Key::key.key;
        });

    Meta meta;
    forEachShownField<Meta>(
        [&](auto field)
        {
            using Field = decltype(field);
            meta.*Field::member = std::string(Field::place.key);
        });
    EXPECT_EQ(meta.deck, 0);
    EXPECT_EQ(meta.title, "Title");
    EXPECT_EQ(meta.artist, "Artist");
    EXPECT_EQ(meta.album, "Album");
    EXPECT_EQ(meta.filepath, "Filepath");
}

TEST(NodeLayout, FieldsThatShowNowhereHaveNoPlace)
{
    for (const FieldPlace& place : {placeOf(&Control::active), placeOf(&Meta::deck),
                                    placeOf(&Event::name), placeOf(&Event::value)})
    {
        EXPECT_EQ(place.row, noRow) << place.key;
        EXPECT_EQ(place.channel, noChannel) << place.key;
    }
    // A deck's number has a channel but no row: the column says which deck it is.
    EXPECT_EQ(placeOf(&Deck::deck).row, noRow);
    EXPECT_EQ(placeOf(&Deck::deck).channel, 9);
    EXPECT_EQ(placeOf(&Deck::bpm).row, BpmRow);
    EXPECT_EQ(placeOf(&Deck::bpm).channel, 4);
}

} // namespace
