// The node layout: where each received value shows on the nodes. The table operator's rows and
// columns, the channel operator's channels, and per record which field shows in which row and
// channel under which descriptive name. The bundles, the receiver, the orv tool and the tests
// read it; what arrives on the wire is protocol/WireSchema.h's business.
//
//   table:    18 fixed rows (header, 17 labelled rows) plus one row per event, 5 columns
//   channels: 48; 0 to 2 the mixer, then 11 per deck from deckChannel(deck, 0), 47 unused
#pragma once

#include "protocol/WireSchema.h"

#include <array>
#include <cstddef>
#include <iterator>
#include <string_view>
#include <type_traits>
#include <utility>

namespace orvlayout
{

// The table operator's table. Column 0 holds the labels, columns 1 to 4 the decks 1 to 4.
inline constexpr int kDeckCount = 4;
inline constexpr const char* kDeckHeaders[kDeckCount] = {"Deck A", "Deck B", "Deck C", "Deck D"};
enum TableRow : int
{
    HeaderRow = 0,
    TitleRow,
    ArtistRow,
    AlbumRow,
    FilepathRow,
    LengthRow,
    VelocityRow,
    PositionRow,
    Position2Row,
    NormPosRow,
    BpmRow,
    EqLowRow,
    EqMidRow,
    EqHighRow,
    BeatRow,
    UpfaderARow,
    UpfaderBRow,
    CrossfaderRow,
    FirstEventRow, // one row per event name from here on
};
inline constexpr int kFixedRows = FirstEventRow;
// Event names a node keeps (and rows it shows below the fixed ones); a new name beyond this
// is dropped with a warning.
inline constexpr std::size_t kMaxEventNames = 1024;
inline constexpr int kTableColumns = 5;
inline constexpr int kLabelColumn = 0;
inline constexpr int kEventValueColumn = 1;
// Indexed by TableRow; the header row has no label.
inline constexpr const char* kRowLabels[kFixedRows] = {
    nullptr,    "Title",    "Artist",    "Album",    "Filepath", "Length",
    "Velocity", "Position", "Position2", "NormPos",  "BPM",      "EQLow",
    "EQMid",    "EQHigh",   "Beat",      "UpfaderA", "UpfaderB", "Crossfader",
};

// The channel operator's channels, one sample each.
inline constexpr int kChannelCount = 48;
inline constexpr int kChannelsPerDeck = 11;
inline constexpr int kFirstDeckChannel = 3;
inline constexpr int kUnusedChannel = 47; // declared, never written
// The channel of a deck field (deck 1 to 4, `offset` its FieldPlace::channel).
constexpr int deckChannel(int deck, int offset)
{
    return kFirstDeckChannel + kChannelsPerDeck * (deck - 1) + offset;
}

inline constexpr int kNoRow = -1;
inline constexpr int kNoChannel = -1;

// Where the field of one wire key shows. `row` is a TableRow (Meta and Deck fields in their
// deck's column, Control fields in all four) or kNoRow; `channel` is a Control field's channel,
// a Deck field's offset from its deck's first channel, or kNoChannel. `name` is the field's
// descriptive channel name ("upfader_a"; "bpm", which a deck's channel prefixes with "deckN_").
struct FieldPlace
{
    std::string_view key; // the wire key (WireSchema.h's key tables)
    int row = kNoRow;
    int channel = kNoChannel;
    const char* name = nullptr;
};

// The fields of each record that show, in the order of the record's keys (a deck's in the
// order of its channels). A key without a line here shows nowhere.
inline constexpr FieldPlace kControlPlaces[] = {
    {"UpfaderA", UpfaderARow, 0, "upfader_a"},
    {"UpfaderB", UpfaderBRow, 1, "upfader_b"},
    {"Crossfader", CrossfaderRow, 2, "crossfader"},
};

inline constexpr FieldPlace kDeckPlaces[] = {
    {"Pitch", VelocityRow, 0, "pitch"},
    {"Position", PositionRow, 1, "position"},
    {"Position2", Position2Row, 2, "position2"},
    {"NormalizedPosition", NormPosRow, 3, "normpos"},
    {"BPM", BpmRow, 4, "bpm"},
    {"Length", LengthRow, 5, "length"},
    {"EQLow", EqLowRow, 6, "eqlow"},
    {"EQMid", EqMidRow, 7, "eqmid"},
    {"EQHigh", EqHighRow, 8, "eqhigh"},
    {"Deck", kNoRow, 9, "deck"},
    {"Beat", BeatRow, 10, "beat"},
};

inline constexpr FieldPlace kMetaPlaces[] = {
    {"Title", TitleRow},
    {"Artist", ArtistRow},
    {"Album", AlbumRow},
    {"Filepath", FilepathRow},
};

// The place table of each record. An event's fields have no place of their own: "Event"
// names a row below the fixed ones (column 0), "Value" fills column 1.
inline constexpr std::array<FieldPlace, 0> kNoPlaces{};
template <class Record> constexpr const auto& placesOf()
{
    if constexpr (std::is_same_v<Record, Control>)
    {
        return kControlPlaces;
    }
    else if constexpr (std::is_same_v<Record, Deck>)
    {
        return kDeckPlaces;
    }
    else if constexpr (std::is_same_v<Record, Meta>)
    {
        return kMetaPlaces;
    }
    else
    {
        return kNoPlaces;
    }
}

// Where the field of a wire key of Record shows; a place with no row and no channel when it
// does not show.
template <class Record> constexpr FieldPlace placeOf(std::string_view key)
{
    for (const FieldPlace& place : placesOf<Record>())
    {
        if (place.key == key)
        {
            return place;
        }
    }
    return FieldPlace{key};
}

// Where a record field shows (for tests and tools that name a field).
template <class Record, class Field> constexpr FieldPlace placeOf(Field Record::*field)
{
    return placeOf<Record>(orvprotocol::keyOf(field)->key);
}

// Place P of Record's table as a type, for walks at compile time: `place` is where the field
// shows, `member` the pointer to the field with the field's own type.
template <class Record, std::size_t P> struct ShownField
{
    static constexpr const FieldPlace& place = placesOf<Record>()[P];
    static constexpr auto member =
        orvprotocol::KeyAt<Record, orvprotocol::keyIndex<Record>(place.key)>::member;
};

// Calls visit(ShownField<Record, P>{}) for every field of Record that shows. Every place is
// then a compile-time constant: a cook's walk compiles to one store per field.
template <class Record, class Visit> void forEachShownField(Visit&& visit)
{
    orvprotocol::visitEach<ShownField, Record>(
        visit, std::make_index_sequence<std::size(placesOf<Record>())>{});
}

// Every place names a key of its record, and no key twice (a misspelt key would not build).
template <class Record> constexpr bool placesNameKeysOnce()
{
    const auto& places = placesOf<Record>();
    for (std::size_t i = 0; i < std::size(places); ++i)
    {
        if (orvprotocol::keyIndex<Record>(places[i].key) ==
            std::size(orvprotocol::KeysOf<Record>::keys))
        {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j)
        {
            if (places[j].key == places[i].key)
            {
                return false;
            }
        }
    }
    return true;
}
static_assert(placesNameKeysOnce<Control>() && placesNameKeysOnce<Deck>() &&
              placesNameKeysOnce<Meta>());

} // namespace orvlayout
