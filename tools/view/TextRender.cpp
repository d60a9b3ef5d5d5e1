#include "view/TextRender.h"
#include "harness/NumberText.h"

#include "protocol/NodeLayout.h"
#include "protocol/WireSchema.h"
#include "view/Diagnostics.h"
#include "view/HealthText.h"
#include "view/ScreenFit.h"
#include "view/TextFormat.h"
#include "view/TextWidth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <sstream>

namespace orvtool
{

namespace
{

constexpr size_t kLabelWidth = 12;
constexpr size_t kColumnWidth = 16;

std::string pad(const std::string& fitted, size_t width)
{
    const size_t columns = displayColumns(fitted);
    return columns >= width ? fitted : fitted + std::string(width - columns, ' ');
}

// Columns left blank at the end of every cell, so that a text that fills its cell (cut with
// '~' when it is longer) still reads apart from the next one.
constexpr size_t kCellGap = 2;

std::string cellText(const orvharness::TableCell& cell, size_t width, bool keepEnd)
{
    switch (cell.kind)
    {
    case orvharness::CellKind::Empty:
        return pad("", width);
    case orvharness::CellKind::Text:
        return pad(fitText(cell.text, width - kCellGap, keepEnd), width);
    case orvharness::CellKind::Number:
    case orvharness::CellKind::Int:
        return pad(fitText(compactNumber(cell.number), width - kCellGap), width);
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

std::string notConnectedNote(const Snapshot& snapshot)
{
    return snapshot.connected ? "" : "  (not written: the receiver is not connected)";
}

// One table row as the host shows it: the label column, then the decks.
std::string tableRowText(const orvharness::Table& table, int32_t row)
{
    std::string line = cellText(table.cell(row, 0), kLabelWidth, false);
    for (int32_t col = 1; col < table.cols(); ++col)
        line += cellText(table.cell(row, col), kColumnWidth, row == orvlayout::FilepathRow);
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

std::string tableHeading(const orvharness::Table& table)
{
    return "Table  " + std::to_string(table.rows()) + " rows x " + std::to_string(table.cols()) +
           " columns";
}

void renderTable(const Snapshot& snapshot, std::ostream& out)
{
    const orvharness::Table& table = snapshot.table;
    out << tableHeading(table) << notConnectedNote(snapshot) << "\n";
    for (int32_t row = 0; row < table.rows(); ++row)
        out << tableRowText(table, row) << "\n";
}

// A cell as one word of a line: "-" for a cell never written.
std::string cellWord(const orvharness::TableCell& cell)
{
    switch (cell.kind)
    {
    case orvharness::CellKind::Empty:
        return "-";
    case orvharness::CellKind::Text:
        return fitText(cell.text, kColumnWidth);
    case orvharness::CellKind::Number:
    case orvharness::CellKind::Int:
        return compactNumber(cell.number);
    }
    return "-";
}

// The rows a short terminal shows: which track plays where, and how fast.
constexpr orvlayout::TableRow kCompactRows[] = {orvlayout::TitleRow, orvlayout::ArtistRow,
                                                orvlayout::PositionRow, orvlayout::BpmRow,
                                                orvlayout::BeatRow};

// The table in a few lines: the header, the main rows, the mixer (the same in every deck
// column) and the events on one line each; one line when nothing has been received.
void renderCompactTable(const Snapshot& snapshot, std::ostream& out)
{
    using namespace orvlayout;
    const orvharness::Table& table = snapshot.table;
    out << tableHeading(table);
    if (!snapshot.connected)
    {
        out << notConnectedNote(snapshot) << "\n";
        if (nothingReceived(snapshot))
            return;
    }
    else if (nothingReceived(snapshot))
    {
        out << ", nothing received yet\n";
        return;
    }
    else
    {
        out << ", main rows (a taller terminal shows them all)\n";
    }
    out << tableRowText(table, HeaderRow) << "\n";
    for (const TableRow row : kCompactRows)
        out << tableRowText(table, row) << "\n";
    std::string mixer = pad("Mixer", kLabelWidth);
    for (const FieldPlace& place : kControlPlaces)
        mixer += std::string(place.key) + " " + cellWord(table.cell(place.row, 1)) + "  ";
    out << mixer.substr(0, mixer.size() - 2) << "\n";
    std::string events;
    for (int32_t row = FirstEventRow; row < table.rows(); ++row)
        events += (events.empty() ? "" : "  ") + cellWord(table.cell(row, kLabelColumn)) + " " +
                  cellWord(table.cell(row, kEventValueColumn));
    out << pad("Event rows", kLabelWidth) << (events.empty() ? "-" : events) << "\n";
}

void renderChannels(const Snapshot& snapshot, std::ostream& out)
{
    using namespace orvlayout;
    out << "Channels  " << snapshot.channels.size() << " (index value)\n";
    if (snapshot.channels.empty())
        return;
    std::string mixer;
    for (const FieldPlace& place : kControlPlaces)
    {
        if (place.channel != kNoChannel)
            mixer += pad(std::to_string(place.channel) + " " + place.name, 14) +
                     pad(channelValue(snapshot, static_cast<size_t>(place.channel)), 10);
    }
    while (!mixer.empty() && mixer.back() == ' ')
        mixer.pop_back();
    out << mixer << "\n";
    std::string header = pad("", kLabelWidth);
    for (int deck = 0; deck < kDeckCount; ++deck)
        header += pad(kDeckHeaders[deck], kColumnWidth);
    while (!header.empty() && header.back() == ' ')
        header.pop_back();
    out << header << "\n";
    for (const FieldPlace& place : kDeckPlaces)
    {
        if (place.channel == kNoChannel)
            continue;
        std::string line = pad(place.name, kLabelWidth);
        for (int deck = 1; deck <= kDeckCount; ++deck)
        {
            const size_t index = static_cast<size_t>(deckChannel(deck, place.channel));
            line += pad(pad(std::to_string(index), 3) + fitText(channelValue(snapshot, index), 12),
                        kColumnWidth);
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out << line << "\n";
    }
    if (snapshot.channels.size() > static_cast<size_t>(kUnusedChannel))
        out << kUnusedChannel << " (not written by the operator) "
            << channelValue(snapshot, static_cast<size_t>(kUnusedChannel)) << "\n";
}

constexpr int kClockBarWidth = 20;
constexpr int kPhraseBarWidth = 10;

// "[#####...............]": a bar `width` wide filled by `ramp` (0 to 1).
std::string rampBar(float ramp, int width = kClockBarWidth)
{
    const int filled =
        std::isfinite(ramp) ? std::clamp(static_cast<int>(ramp * width), 0, width) : 0;
    return "[" + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(width - filled), '.') + "]";
}

std::string numberOrDash(float number)
{
    return std::isfinite(number) ? compactNumber(number) : std::string("-");
}

// One channel of a beat node by its name without the deck's prefix; NaN when there is none.
using ClockChannel = std::function<float(const std::string&)>;

// "2:31", "1:02:05": whole seconds.
std::string clockText(double seconds)
{
    if (!std::isfinite(seconds))
        return "-";
    const auto whole = static_cast<long long>(std::min(std::max(seconds, 0.0), 359999.0));
    char buffer[32];
    if (whole >= 3600)
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld", whole / 60, whole % 60);
    return buffer;
}

// A loop's length in beats as a musician says it: "4", "1/2", "1/4".
std::string beatsText(float beats)
{
    if (beats > 0.0f && beats < 1.0f)
        return "1/" + compactNumber(std::round(1.0 / beats));
    return compactNumber(beats);
}

// The phrase, the track's end and the loop of one clock on a line of their own, under its clock
// line: "            phrase 12 [###.......] bar 3!  2:31 left, 74 bars  loop 1/2". "!" marks
// the warning before the next phrase; without a loop the last jump shows ("jump -32"). "" when
// the node has none of these channels (its groups are off) or wrote none.
std::string groupsLine(const ClockChannel& channel)
{
    std::string line;
    const auto add = [&](const std::string& part)
    { line += (line.empty() ? pad("", kLabelWidth) : "  ") + part; };
    const float ramp = channel("phrase_ramp");
    if (std::isfinite(ramp))
        add("phrase " + numberOrDash(channel("phrases")) + " " + rampBar(ramp, kPhraseBarWidth) +
            " bar " + numberOrDash(channel("bar_in_phrase")) +
            (channel("phrase_warning") == 1.0f ? "!" : ""));
    const float timeLeft = channel("time_left");
    const float barsLeft = channel("bars_left");
    if (std::isfinite(timeLeft))
        add(timeLeft < 0.0f ? std::string("end unknown")
                            : clockText(timeLeft) + " left" +
                                  (barsLeft >= 0.0f ? ", " + compactNumber(barsLeft) + " bars"
                                                    : std::string()));
    const float looping = channel("looping");
    const float jump = channel("jump_beats");
    if (looping == 1.0f)
        add("loop " + beatsText(channel("loop_beats")));
    else if (std::isfinite(jump) && jump != 0.0f)
        add("jump " + std::string(jump > 0.0f ? "+" : "") + fixedText(jump, 1));
    return line;
}

// On Air's mix: each deck's share of what the audience hears and the deck coming in or going
// out: "            mix 1:12% 2:88% 3:0% 4:0%  next deck 1". "" when the node has no mix.
std::string mixLine(const OnAirClock& onAir)
{
    if (!std::isfinite(onAir.value("deck1_mix")))
        return "";
    std::string line = pad("", kLabelWidth) + "mix";
    for (int deck = 1; deck <= orvlayout::kDeckCount; ++deck)
    {
        const float share = onAir.value("deck" + std::to_string(deck) + "_mix");
        line += " " + std::to_string(deck) + ":" +
                (std::isfinite(share) ? fixedText(share * 100.0, 0) + "%" : std::string("-"));
    }
    const float next = onAir.value("next_deck");
    line +=
        "  " + (next >= 1.0f ? "next deck " + compactNumber(next) : std::string("no next deck"));
    return line;
}

// The On Air node's clock on one line, with the deck it follows and when that last changed:
// "On Air      [###.....]  beat 3  124 BPM  deck 2, switched 3.1 s ago".
void renderOnAir(const Snapshot& snapshot, std::ostream& out)
{
    const OnAirClock& onAir = snapshot.onAir;
    if (onAir.values.empty())
        return;
    std::string line = pad("On Air", kLabelWidth);
    const float ramp = onAir.value("beat_ramp");
    const float deck = onAir.value("deck");
    if (!std::isfinite(ramp) || !std::isfinite(deck))
    {
        out << line << "-  (not written)\n";
        return;
    }
    line += rampBar(ramp) + "  beat " + numberOrDash(onAir.value("beat")) + "  " +
            numberOrDash(onAir.value("bpm")) + " BPM  deck " + compactNumber(deck) + ", ";
    if (onAir.switchedAt < 0.0)
    {
        line += "no switch yet";
    }
    else
    {
        const double ago = std::max(0.0, snapshot.seconds - onAir.switchedAt);
        line += "switched " + fixedText(ago, ago < 10.0 ? 1 : 0) + " s ago";
    }
    out << line << "\n";
    for (const std::string& more :
         {groupsLine([&](const std::string& name) { return onAir.value(name); }), mixLine(onAir)})
    {
        if (!more.empty())
            out << more << "\n";
    }
}

// One line per deck from the beat node's channels: a bar that fills across the beat, the
// beat in the bar, the tempo, and whether the clock is locked to the deck's beats; outside the
// compact view each deck's phrase, track end and loop under it. A channel no cook wrote holds
// NaN: the node writes nothing while its receiver is not connected.
void renderBeatClock(const Snapshot& snapshot, bool compact, std::ostream& out)
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
    bool written = false;
    for (int deck = 1; deck <= orvlayout::kDeckCount; ++deck)
        written = written || std::isfinite(value(deck, "beat_ramp"));
    out << "Beat clock (beat1, all decks)";
    if (!written)
    {
        out << (snapshot.connected ? "  (not written yet)" : notConnectedNote(snapshot)) << "\n";
        return;
    }
    if (compact && nothingReceived(snapshot))
    {
        out << ", nothing received yet\n";
        return;
    }
    out << "\n";
    for (int deck = 1; deck <= orvlayout::kDeckCount; ++deck)
    {
        std::string line = pad(orvlayout::kDeckHeaders[deck - 1], kLabelWidth);
        const float ramp = value(deck, "beat_ramp");
        if (!std::isfinite(ramp))
        {
            out << line << "-  (not written)\n";
            continue;
        }
        line += rampBar(ramp) + "  beat " + numberOrDash(value(deck, "beat")) + "  " +
                numberOrDash(value(deck, "bpm")) + " BPM  " +
                (value(deck, "playing") == 1.0f ? "playing" : "stopped") + "  " +
                (value(deck, "locked") == 1.0f ? "locked" : "not locked");
        out << line << "\n";
        const std::string groups =
            compact ? "" : groupsLine([&](const std::string& field) { return value(deck, field); });
        if (!groups.empty())
            out << groups << "\n";
    }
    renderOnAir(snapshot, out);
}

// The events node's counts on one line, in the order the names first arrived; a count that
// moved in the last second is marked with "*": "Event count deck1_track 1  Cue 3  Drop 2*".
// Labelled apart from the compact table's "Event rows", which hold each event's last value.
void renderEvents(const Snapshot& snapshot, size_t width, std::ostream& out)
{
    if (snapshot.events.empty())
        return;
    std::string line = pad("Event count", kLabelWidth);
    for (const EventCount& event : snapshot.events)
    {
        const bool recent = event.changedAt >= 0.0 && snapshot.seconds - event.changedAt < 1.0;
        line += (&event == &snapshot.events.front() ? "" : "  ") + event.name + " " +
                numberOrDash(event.count) + (recent ? "*" : "");
    }
    // No terminal (width 0): a log's line may be long, as for the notes.
    out << fitText(line, width > 0 ? width : 200) << "\n";
}

void renderHead(const Snapshot& snapshot, const std::string& title, std::ostream& out)
{
    const NodeSettings& node = snapshot.node;
    out << title << "  node orv1: "
        << (node.multicast ? std::string("multicast ") + orvprotocol::kMulticastGroup + " on " : "")
        << node.ip << ":" << node.port
        << (node.filter.empty() ? "" : "  filter " + fitText(node.filter, 15)) << "  "
        << (snapshot.connected ? "connected" : "NOT CONNECTED") << "  "
        << fixedText(snapshot.seconds, 1) << " s\n";
    out << "error: " << (snapshot.error.empty() ? "-" : fitText(snapshot.error, 70)) << "\n";
    out << "warning: " << (snapshot.warning.empty() ? "-" : fitText(snapshot.warning, 68)) << "\n";
    if (!snapshot.hostError.empty())
        out << "host: " << fitText(snapshot.hostError, 72) << "\n";
    // With the node's lines, so that the smallest terminal still shows whether data arrives.
    for (const std::string& line : healthLines(snapshot.info))
        out << fitText(line, 120) << "\n";
}

// A note in lines of at most `width` columns, broken at spaces, the later lines indented; one
// line cut to 200 columns when `width` is 0 (no terminal: a log's line may be long).
void writeNote(const std::string& note, size_t width, std::ostream& out)
{
    if (width == 0)
    {
        out << fitText(note, 200) << "\n";
        return;
    }
    const std::string indent = "  ";
    const size_t longestWord = width > indent.size() ? width - indent.size() : 1;
    std::string line;
    size_t begin = 0;
    while (begin <= note.size())
    {
        size_t end = note.find(' ', begin);
        if (end == std::string::npos)
            end = note.size();
        // A word longer than a line is cut; every other word goes whole onto a line.
        const std::string word = fitText(note.substr(begin, end - begin), longestWord);
        const size_t used = displayColumns(line);
        if (used > indent.size() && used + 1 + displayColumns(word) > width)
        {
            out << line << "\n";
            line = indent + word;
        }
        else
        {
            line += (begin == 0 ? "" : " ") + word;
        }
        begin = end + 1;
    }
    out << line << "\n";
}

void renderNotes(const Snapshot& snapshot, size_t width, std::ostream& out)
{
    if (snapshot.notes.empty())
        return;
    out << "\n";
    for (const std::string& note : snapshot.notes)
        writeNote(note, width, out);
}

// Every row of the table and, with `channels`, every channel: about 55 lines for the demo,
// 40 without the channels.
std::string fullView(const Snapshot& snapshot, const std::string& title, size_t width,
                     bool channels)
{
    std::ostringstream out;
    renderHead(snapshot, title, out);
    out << "\n";
    renderTable(snapshot, out);
    out << "\n";
    if (channels)
        renderChannels(snapshot, out);
    else
        out << "Channels  " << snapshot.channels.size()
            << " (a taller terminal shows them; so does --json)\n";
    if (!snapshot.beat.empty())
    {
        out << "\n";
        renderBeatClock(snapshot, false, out);
    }
    renderEvents(snapshot, width, out);
    renderNotes(snapshot, width, out);
    return out.str();
}

// For a terminal too short for the full view: about 25 lines before the notes.
std::string compactView(const Snapshot& snapshot, const std::string& title, size_t width)
{
    std::ostringstream out;
    renderHead(snapshot, title, out);
    out << "\n";
    renderCompactTable(snapshot, out);
    renderBeatClock(snapshot, true, out);
    renderEvents(snapshot, width, out);
    renderNotes(snapshot, width, out);
    return out.str();
}

} // namespace

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

std::string renderSnapshot(const Snapshot& snapshot, const std::string& title,
                           const ScreenSize& screen)
{
    // Notes are broken into lines one column short of the width, as fitToScreen cuts.
    const size_t width = screen.cols > 1 ? static_cast<size_t>(screen.cols - 1) : 0;
    std::string text = fullView(snapshot, title, width, true);
    if (screen.rows <= 0)
        return text;
    // The most the screen has room for: everything, the table without the channels, or the
    // compact view.
    const auto fits = [&](const std::string& view)
    { return std::count(view.begin(), view.end(), '\n') <= screen.rows; };
    if (!fits(text))
        text = fullView(snapshot, title, width, false);
    if (!fits(text))
        text = compactView(snapshot, title, width);
    return fitToScreen(text, screen);
}

} // namespace orvtool
