// Everything the host shows of the table operator by name: its type and label, the author, the
// parameter names and labels, and the table's fixed texts and rows. The declarations in
// setupParameters, the pulse handling and the cook all read these, so they cannot drift apart.
// The channel operator reads kOpType to recognise a table operator of ours behind a reference.
#pragma once

namespace orvdat
{

inline constexpr const char* kOpType = "Orv";
inline constexpr const char* kOpLabel = "ORV";
inline constexpr const char* kAuthorName = "Quillmore";
inline constexpr const char* kAuthorEmail = "orv@quillmore.dev";

inline constexpr const char* kIpName = "Ip";
inline constexpr const char* kIpLabel = "IP";
inline constexpr const char* kPortName = "Port";
inline constexpr const char* kPortLabel = "Port";
inline constexpr const char* kMulticastName = "Multicast";
inline constexpr const char* kMulticastLabel = "Multicast Listen";
inline constexpr const char* kIpFilterName = "Ipfilter";
inline constexpr const char* kIpFilterLabel = "IP Filter";
// "Reconnect" is declared without a label; the host shows one of its own.
inline constexpr const char* kReconnectName = "Reconnect";
inline constexpr const char* kResetName = "Reset";
inline constexpr const char* kResetLabel = "Reset";

// The table: a header row, 17 labelled rows, then one row per named event; column 0 holds the
// labels, columns 1 to 4 the decks 1 to 4.
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
    FirstEventRow,
};

inline constexpr int kFixedRows = FirstEventRow;
inline constexpr int kColumns = 5;
inline constexpr int kLabelColumn = 0;
inline constexpr int kEventValueColumn = 1;
inline constexpr int kDeckCount = 4;

inline constexpr const char* kDeckHeaders[kDeckCount] = {"Deck A", "Deck B", "Deck C", "Deck D"};

// Indexed by TableRow; the header row has no label.
inline constexpr const char* kRowLabels[kFixedRows] = {
    nullptr,    "Title",    "Artist",    "Album",    "Filepath", "Length",
    "Velocity", "Position", "Position2", "NormPos",  "BPM",      "EQLow",
    "EQMid",    "EQHigh",   "Beat",      "UpfaderA", "UpfaderB", "Crossfader",
};

} // namespace orvdat
