// The live view on a terminal: it fits the screen it is drawn on, keeps the node's lines on
// top, says what it cannot show, and redraws in place without scrolling.
#include "view/RunningCount.h"
#include "view/TerminalView.h"
#include "view/TextRender.h"

#include "protocol/NodeLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace orvtool
{
namespace
{

using namespace orvlayout;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A node that has heard a DJ: four decks, two events, every channel, a running beat clock,
// and the notes of a monitor that explains a silence.
Snapshot busyNode()
{
    Snapshot snapshot;
    snapshot.connected = true;
    snapshot.table.resize(kFixedRows + 2, kTableColumns);
    for (int32_t row = 0; row < snapshot.table.rows(); ++row)
    {
        for (int32_t col = 0; col < kTableColumns; ++col)
        {
            orvharness::TableCell* cell = snapshot.table.cellForWrite(row, col);
            const bool text = row <= FilepathRow || (col == kLabelColumn && row > 0);
            cell->kind = text ? orvharness::CellKind::Text : orvharness::CellKind::Number;
            cell->text =
                row == 0 && col > 0 ? kDeckHeaders[col - 1] : "track " + std::to_string(row);
            cell->number = row + col / 10.0;
        }
    }
    snapshot.channels.assign(kChannelCount, 0.5f);
    for (int deck = 1; deck <= kDeckCount; ++deck)
    {
        for (const char* field : {"beat_ramp", "beat", "bpm", "playing", "locked"})
        {
            snapshot.beatNames.push_back("deck" + std::to_string(deck) + "_" + field);
            snapshot.beat.push_back(1.0f);
        }
    }
    for (int note = 0; note < 12; ++note)
        snapshot.notes.push_back("note " + std::to_string(note) + std::string(120, '-'));
    // The Info CHOP and Info DAT of a node that heard decks 1 and 2 only.
    snapshot.info.channels = {
        {"connected", 1},     {"datagrams", 1234},  {"filtered", 0},
        {"ignored", 2},       {"decode_errors", 1}, {"last_datagram_age", 0.02f},
        {"deck1_age", 0.02f}, {"deck2_age", 12.4f}, {"deck3_age", -1},
        {"deck4_age", -1},    {"events", 2}};
    snapshot.info.rows = {{"bound_address", "0.0.0.0"}, {"bound_port", "3650"},
                          {"group_joined", "1"},        {"last_sender", "192.168.1.30:51234"},
                          {"last_filtered_sender", ""}, {"version", "0.1.0+abc"}};
    return snapshot;
}

TEST(View, FitsTheTerminalKeepingTheNodesLinesOnTop)
{
    const Snapshot snapshot = busyNode();
    EXPECT_GT(linesOf(renderSnapshot(snapshot, "orv demo")).size(), 55u);
    for (const ScreenSize screen :
         {ScreenSize{24, 80}, ScreenSize{40, 80}, ScreenSize{10, 50}, ScreenSize{120, 132}})
    {
        SCOPED_TRACE(std::to_string(screen.rows) + " x " + std::to_string(screen.cols));
        const std::string text = renderSnapshot(snapshot, "orv demo", screen);
        const std::vector<std::string> lines = linesOf(text);
        ASSERT_LE(lines.size(), static_cast<size_t>(screen.rows));
        EXPECT_EQ(lines[0].rfind("orv demo  node orv1: ", 0), 0u);
        EXPECT_EQ(lines[1], "error: -");
        EXPECT_EQ(lines[2], "warning: -");
        EXPECT_EQ(lines[3].rfind("Accepted 1234 datagrams", 0), 0u);
        for (const std::string& line : lines)
            EXPECT_LT(line.size(), static_cast<size_t>(screen.cols)) << line;
        EXPECT_EQ(text.find("nan"), std::string::npos);
    }
    // Every line has room on a tall screen; at 24 rows the compact table, and the notes that
    // do not fit are counted; with one note, 40 rows hold every table row but no channel.
    const std::string tall = renderSnapshot(snapshot, "orv demo", {120, 132});
    EXPECT_NE(tall.find("Channels  48 (index value)"), std::string::npos);
    EXPECT_EQ(tall.find("more lines"), std::string::npos);
    const std::vector<std::string> short24 =
        linesOf(renderSnapshot(snapshot, "orv demo", {24, 80}));
    EXPECT_NE(short24[7].find(", main rows"), std::string::npos) << short24[7];
    EXPECT_EQ(short24.back().rfind("(", 0), 0u);
    EXPECT_NE(short24.back().find("more lines: a taller terminal shows them"), std::string::npos);
    Snapshot fewNotes = snapshot;
    fewNotes.notes.resize(1);
    const std::string forty = renderSnapshot(fewNotes, "orv demo", {40, 80});
    EXPECT_NE(forty.find("track 4     track 4"), std::string::npos) << "the Filepath row";
    EXPECT_NE(forty.find("Channels  48 (a taller terminal shows them"), std::string::npos);
}

// The Info CHOP and Info DAT below the node's texts: ages of -1 read "never", a filtered sender
// and an unbound node are named.
TEST(View, TheHealthLinesSayWhatTheNodesInfoShows)
{
    Snapshot snapshot = busyNode();
    std::vector<std::string> lines = linesOf(renderSnapshot(snapshot, "orv monitor", {24, 80}));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[3], "Accepted 1234 datagrams (dropped: 0 filtered, 2 ignored, 1 decode error)");
    EXPECT_EQ(lines[4], "Last 0.02 s ago; decks A 0.02 s, B 12 s, C never, D never; 2 events");
    EXPECT_EQ(lines[5], "From 192.168.1.30:51234; bound 0.0.0.0:3650, group 239.0.0.1 joined");

    snapshot.info.channels[5].value = -1.0f; // last_datagram_age
    snapshot.info.rows = {{"bound_address", ""},
                          {"last_sender", "10.0.0.5:4000"},
                          {"last_filtered_sender", "10.0.0.5:4000"}};
    lines = linesOf(renderSnapshot(snapshot, "orv monitor"));
    EXPECT_EQ(lines[4].rfind("Last never; decks ", 0), 0u) << lines[4];
    EXPECT_EQ(lines[5], "From 10.0.0.5:4000 (filtered); not bound");
}

TEST(View, TheBeatClockOfANodeThatIsNotConnectedSaysSo)
{
    Snapshot snapshot = busyNode();
    snapshot.connected = false;
    for (float& value : snapshot.beat)
        value = std::nanf("");
    const std::string text = renderSnapshot(snapshot, "orv monitor");
    EXPECT_EQ(text.find("nan"), std::string::npos);
    EXPECT_NE(text.find("Beat clock (beat1, all decks)  (not written: the receiver is not "
                        "connected)\n"),
              std::string::npos);
}

// Each deck's phrase, track end and loop under its clock line, and On Air's with its mix; the
// compact view keeps On Air's alone.
TEST(View, TheBeatClocksShowThePhraseTheTracksEndTheLoopAndTheMix)
{
    Snapshot snapshot = busyNode();
    snapshot.notes.clear();
    // Deck 1 loops half a beat, deck 2 is in its phrase's last beats after a cue back, deck 3's
    // track has no Length, deck 4 has no groups on.
    const std::vector<std::pair<std::string, std::vector<float>>> groups = {
        {"phrase_ramp", {0.3f, 0.99f, 0.0f}},
        {"bar_in_phrase", {3, 8, 1}},
        {"phrases", {12, 3, 0}},
        {"phrase_warning", {0, 1, 0}},
        {"time_left", {151.9f, 3725.0f, -1}},
        {"bars_left", {74, 7, -1}},
        {"jump_beats", {-0.5f, -32.0f, 0.0f}},
        {"looping", {1, 0, 0}},
        {"loop_beats", {0.5f, 0.0f, 0.0f}}};
    for (const auto& [field, values] : groups)
    {
        for (size_t deck = 0; deck < values.size(); ++deck)
        {
            snapshot.beatNames.push_back("deck" + std::to_string(deck + 1) + "_" + field);
            snapshot.beat.push_back(values[deck]);
            if (deck == 1)
            {
                snapshot.onAir.names.push_back(field);
                snapshot.onAir.values.push_back(values[deck]);
            }
        }
    }
    const std::vector<std::pair<std::string, float>> onAir = {
        {"beat_ramp", 0.5f}, {"beat", 4},          {"bpm", 124},
        {"deck", 2},         {"deck1_mix", 0.25f}, {"deck2_mix", 0.75f},
        {"deck3_mix", 0.0f}, {"deck4_mix", 0.0f},  {"next_deck", 1}};
    for (const auto& [name, value] : onAir)
    {
        snapshot.onAir.names.push_back(name);
        snapshot.onAir.values.push_back(value);
    }

    const std::string deck2 = "            phrase 3 [#########.] bar 8!  1:02:05 left, 7 bars  "
                              "jump -32.0\n";
    const std::string mix = "            mix 1:25% 2:75% 3:0% 4:0%  next deck 1\n";
    const std::string full = renderSnapshot(snapshot, "orv demo", {120, 80});
    EXPECT_NE(full.find("\n            phrase 12 [###.......] bar 3  2:31 left, 74 bars  loop 1/2\n"
                        "Deck B "),
              std::string::npos)
        << full;
    EXPECT_NE(full.find("locked\n" + deck2 + "Deck C "), std::string::npos) << full;
    EXPECT_NE(full.find("\n            phrase 0 [..........] bar 1  end unknown\nDeck D "),
              std::string::npos)
        << full;
    EXPECT_NE(full.find(" locked\nOn Air "), std::string::npos) << "deck 4 has no groups";
    EXPECT_NE(full.find("no switch yet\n" + deck2 + mix), std::string::npos) << full;

    const std::string compact = renderSnapshot(snapshot, "orv demo", {30, 80});
    EXPECT_NE(compact.find("no switch yet\n" + deck2 + mix), std::string::npos) << compact;
    EXPECT_EQ(compact.find("loop 1/2"), std::string::npos) << "the decks' groups are left out";
    EXPECT_EQ(compact.find("more lines"), std::string::npos) << compact;
}

TEST(View, ATerminalIsRedrawnInPlaceWithoutScrolling)
{
    std::ostringstream out;
    {
        TerminalView view(out, true);
        view.show("first\nsecond\n");
        // No newline after the last line: a picture as tall as the screen does not scroll it.
        const std::string frame = out.str();
        EXPECT_EQ(frame.substr(frame.size() - 12), "second\x1b[K\x1b[J");
        EXPECT_EQ(std::count(frame.begin(), frame.end(), '\n'), 1);
    }
    // On the way out the cursor goes below the picture and shows again.
    EXPECT_EQ(out.str().substr(out.str().size() - 7), "\n\x1b[?25h");
}

// A text that fills its cell is cut with '~' and keeps two blank columns before the next; a
// wide (East Asian) character counts two columns, so the columns after it stay aligned.
TEST(View, ATextThatFillsItsCellIsCutWithAMarkAndKeepsAGap)
{
    EXPECT_EQ(displayColumns("坂本龍一"), 8u);
    EXPECT_EQ(displayColumns("Beyonce\u0301"), 7u) << "a combining accent takes no column";
    EXPECT_EQ(fitText("坂本龍一", 5), "坂本~");
    EXPECT_EQ(fitText("坂本龍一", 6, true), "~龍一");
    EXPECT_EQ(fitText("ab\x1b[2Jc", 20), "ab?[2Jc") << "no control reaches the terminal";

    Snapshot snapshot = busyNode();
    snapshot.notes.clear();
    snapshot.table.cellForWrite(ArtistRow, 2)->text = "The Lantern Set";
    snapshot.table.cellForWrite(ArtistRow, 3)->text = "坂本龍一坂本龍一坂本龍一";
    const std::string artist =
        "track 2     track 2         The Lantern S~  坂本龍一坂本~   track 2";
    for (const ScreenSize screen : {ScreenSize{24, 80}, ScreenSize{120, 132}})
    {
        const std::vector<std::string> lines =
            linesOf(renderSnapshot(snapshot, "orv demo", screen));
        EXPECT_NE(std::find(lines.begin(), lines.end(), artist), lines.end())
            << renderSnapshot(snapshot, "orv demo", screen);
    }
}

// The compact view's two event lines, the table's event rows and the events node's counts,
// have labels of their own.
TEST(View, TheEventRowsAndTheEventCountsAreLabelledApart)
{
    Snapshot snapshot = busyNode();
    snapshot.notes.clear();
    snapshot.events = {{"deck1_track", 1.0f, -1.0}, {"Drop", 2.0f, -1.0}};
    const std::string text = renderSnapshot(snapshot, "orv demo", {24, 80});
    EXPECT_NE(text.find("\nEvent rows  track 18 18.1  track 19 19.1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nEvent count deck1_track 1  Drop 2\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\nEvents "), std::string::npos) << text;
}

// A running count is one line drawn over itself on a terminal, and a line every ten seconds
// in a log.
TEST(View, ARunningCountIsRedrawnOnATerminalAndSparseInALog)
{
    std::ostringstream terminal;
    RunningCount onTerminal(terminal, true, "datagram");
    for (int tick = 1; tick <= 4; ++tick)
        onTerminal.update(tick, tick * 0.25);
    onTerminal.finish();
    EXPECT_EQ(terminal.str().find('\n'), std::string::npos);
    EXPECT_NE(terminal.str().find("\rso far: 4 datagrams in 1.0 s\x1b[K"), std::string::npos)
        << terminal.str();
    EXPECT_EQ(terminal.str().substr(terminal.str().size() - 4), "\r\x1b[K");

    std::ostringstream log;
    RunningCount inLog(log, false, "datagram");
    for (int second = 1; second <= 25; ++second)
        inLog.update(second == 10 ? 1 : second, second);
    inLog.finish();
    EXPECT_EQ(log.str(), "so far: 1 datagram in 10 s\nso far: 20 datagrams in 20 s\n");
}

} // namespace
} // namespace orvtool
