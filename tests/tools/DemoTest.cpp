// orv demo through the built executable: the simulated DJ, the real bundles and the view; then
// --version.
#include "ToolJson.h"
#include "ToolProcess.h"

#include "live/BundleLocator.h"
#include "protocol/NodeLayout.h"

#include "support/LoopbackSocket.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvtooltest
{

using orvsupport::freeUdpPort;
using orvsupport::LoopbackSocket;

namespace
{

using namespace orvlayout;

double number(const nlohmann::json& snapshot, int row, int col)
{
    const nlohmann::json value = cellValue(snapshot, row, col);
    return value.is_number() ? value.get<double>() : std::nan("");
}

bool playing(const nlohmann::json& snapshot, int deck)
{
    return snapshot.at("beat").at("deck" + std::to_string(deck) + "_playing").get<double>() == 1.0;
}

// A clock's phrase, track end and cues, `prefix` before each name: in their ranges, the time
// left and the progress as the table's Position, Length and Pitch of `deck` give them (the
// clock runs a frame or two apart from the table), no jump yet.
void expectGroups(const nlohmann::json& channels, const std::string& prefix,
                  const nlohmann::json& snapshot, int deck)
{
    const auto at = [&](const char* name) { return channels.at(prefix + name).get<double>(); };
    EXPECT_GE(at("bar_in_phrase"), 0.0) << "0 before the clock runs";
    EXPECT_LE(at("bar_in_phrase"), 8.0);
    EXPECT_GE(at("phrase_ramp"), 0.0);
    EXPECT_LT(at("phrase_ramp"), 1.0);
    const double length = number(snapshot, LengthRow, deck);
    const double position = number(snapshot, PositionRow, deck);
    EXPECT_NEAR(at("time_left"), (length - position) / number(snapshot, VelocityRow, deck), 0.25);
    EXPECT_NEAR(at("track_progress"), position / length, 0.002);
    EXPECT_EQ(at("jump_beats"), 0.0);
    EXPECT_EQ(at("looping"), 0.0);
}

// Every deck column holds a track, as a DJ's four decks would: deck 1 on air from the start,
// deck 2 mixed in over the first seconds, decks 3 and 4 waiting at their cue.
void expectFourDecksFilled(const nlohmann::json& snapshot)
{
    ASSERT_TRUE(snapshot.at("connected").get<bool>());
    EXPECT_EQ(snapshot.at("error"), "");
    EXPECT_EQ(snapshot.at("warning"), "");
    ASSERT_GE(tableRows(snapshot), 18);
    ASSERT_EQ(snapshot.at("channels").size(), 48u);
    const nlohmann::json& beat = snapshot.at("beat");
    ASSERT_EQ(beat.size(), 36u + 4 * 13u) << "the clock's nine and the three groups per deck";
    for (int deck = 1; deck <= 4; ++deck)
    {
        SCOPED_TRACE("deck " + std::to_string(deck));
        for (int row = TitleRow; row <= FilepathRow; ++row)
        {
            EXPECT_EQ(cellKind(snapshot, row, deck), "text");
            EXPECT_NE(cellValue(snapshot, row, deck), "");
        }
        for (int row = LengthRow; row <= CrossfaderRow; ++row)
            EXPECT_EQ(cellKind(snapshot, row, deck), "number") << "row " << row;
        EXPECT_GT(number(snapshot, LengthRow, deck), 60.0);
        EXPECT_GT(number(snapshot, VelocityRow, deck), 0.5);
        // A waiting deck stands at the start of its track, a playing one inside it.
        EXPECT_GE(number(snapshot, PositionRow, deck), 0.0);
        EXPECT_GE(number(snapshot, NormPosRow, deck), 0.0);
        EXPECT_LT(number(snapshot, NormPosRow, deck), 1.0);
        if (playing(snapshot, deck))
        {
            EXPECT_GT(number(snapshot, PositionRow, deck), 0.0);
        }
        EXPECT_GE(number(snapshot, BpmRow, deck), 60.0);
        EXPECT_LE(number(snapshot, BpmRow, deck), 200.0);
        EXPECT_GE(number(snapshot, BeatRow, deck), 1.0);
        EXPECT_LE(number(snapshot, BeatRow, deck), 4.0);
        // The channel node reads the same receiver: deck number and BPM in its channels. The
        // two nodes cook one after the other, so a datagram may land between the two cooks:
        // values that move are compared within what they move in a frame or two.
        const int base = 3 + 11 * (deck - 1);
        EXPECT_EQ(channel(snapshot, base + 9), deck);
        EXPECT_NEAR(channel(snapshot, base + 4), number(snapshot, BpmRow, deck), 0.5);

        // The beat node's clock of every deck runs at the deck's tempo.
        const std::string prefix = "deck" + std::to_string(deck) + "_";
        EXPECT_NEAR(beat.at(prefix + "bpm").get<double>(), number(snapshot, BpmRow, deck), 0.5);
        const double ramp = beat.at(prefix + "beat_ramp").get<double>();
        EXPECT_TRUE(ramp >= 0.0 && ramp < 1.0) << ramp;
        expectGroups(beat, prefix, snapshot, deck);
    }
    EXPECT_TRUE(playing(snapshot, 1));
    EXPECT_FALSE(playing(snapshot, 3));
    EXPECT_FALSE(playing(snapshot, 4));
    EXPECT_GT(number(snapshot, UpfaderARow, 1), 0.0);
    EXPECT_NEAR(channel(snapshot, 2), number(snapshot, CrossfaderRow, 1), 0.05);
    EXPECT_TRUE(std::isnan(channel(snapshot, 47))) << "channel 47 is never written";
}

// On Air's mix: the decks' shares add up to 1, `nextDeck` as its channel says.
void expectMix(const nlohmann::json& onAir)
{
    const nlohmann::json& channels = onAir.at("channels");
    double sum = 0.0;
    for (int deck = 1; deck <= 4; ++deck)
        sum += channels.at("deck" + std::to_string(deck) + "_mix").get<double>();
    EXPECT_NEAR(sum, 1.0, 1e-4);
    EXPECT_EQ(onAir.at("nextDeck"), channels.at("next_deck"));
}

// The On Air node's clock: the deck it follows, how often that changed, its channels: the
// clock's nine, `deck`, phrase, track end, mix and cues.
void expectOnAir(const nlohmann::json& snapshot, int deck, int switches)
{
    const nlohmann::json& onAir = snapshot.at("onAir");
    EXPECT_EQ(onAir.at("deck"), deck);
    EXPECT_EQ(onAir.at("switches"), switches);
    EXPECT_EQ(onAir.at("secondsSinceSwitch").is_null(), switches == 0);
    const nlohmann::json& channels = onAir.at("channels");
    ASSERT_EQ(channels.size(), 10u + 5 + 4 + 5 + 4);
    EXPECT_EQ(channels.at("deck"), deck);
    expectGroups(channels, "", snapshot, deck);
    expectMix(onAir);
    EXPECT_EQ(channels.at("playing"), 1.0);
    const std::string followed = "deck" + std::to_string(deck) + "_bpm";
    EXPECT_NEAR(channels.at("bpm").get<double>(), snapshot.at("beat").at(followed).get<double>(),
                0.5);
}

TEST(Demo, OnceJsonPrintsOneSnapshotWithFourFilledDecks)
{
    const uint16_t port = freeUdpPort();
    const ToolRun run =
        runTool({"demo", "--once", "--json", "--duration", "1", "--port", std::to_string(port),
                 "--discovery-port", "0", "--bundles", ORV_BUNDLE_FOLDER});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<nlohmann::json> shots = snapshots(run.out);
    ASSERT_EQ(shots.size(), 1u) << run.out;
    EXPECT_EQ(lines(run.out).size(), 1u);
    EXPECT_EQ(shots[0].at("command"), "demo");
    EXPECT_EQ(shots[0].at("node").at("port"), port);
    // The node's Info CHOP and Info DAT: the simulated DJ heard on the demo's port.
    EXPECT_GT(shots[0].at("info").at("channels").at("datagrams").get<double>(), 50.0);
    EXPECT_EQ(shots[0].at("info").at("rows").at("bound_port"), std::to_string(port));
    expectFourDecksFilled(shots[0]);
    expectOnAir(shots[0], 1, 0);
}

TEST(Demo, DecksMoveInTimeBetweenTwoSnapshots)
{
    // Found beside the executable this time (no --bundles).
    const ToolRun run = runTool({"demo", "--json", "--duration", "2.1", "--refresh", "0.4",
                                 "--port", std::to_string(freeUdpPort()), "--discovery-port", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<nlohmann::json> shots = snapshots(run.out);
    ASSERT_GE(shots.size(), 3u) << run.out;
    const nlohmann::json& first = shots[1]; // the first may come before the first Meta
    const nlohmann::json& last = shots.back();
    expectFourDecksFilled(first);
    expectFourDecksFilled(last);

    const double elapsed = last.at("time").get<double>() - first.at("time").get<double>();
    ASSERT_GT(elapsed, 0.7);
    bool controlsMoved = false;
    for (int deck = 1; deck <= 4; ++deck)
    {
        SCOPED_TRACE("deck " + std::to_string(deck));
        const double pitch = number(first, VelocityRow, deck);
        const double moved = number(last, PositionRow, deck) - number(first, PositionRow, deck);
        // A deck playing all along moves by seconds of track at `pitch` seconds a second (the
        // snapshots may each lag a frame or two behind the sender); one waiting stays put.
        if (playing(first, deck) && playing(last, deck))
        {
            EXPECT_NEAR(moved, elapsed * pitch, 0.25);
            EXPECT_GT(number(last, NormPosRow, deck), number(first, NormPosRow, deck));
        }
        else if (!playing(first, deck) && !playing(last, deck))
        {
            EXPECT_EQ(moved, 0.0);
        }

        // The beat is the bar position of the track's beats played so far.
        for (const nlohmann::json* shot : {&first, &last})
        {
            const double trackBpm = number(*shot, BpmRow, deck) / number(*shot, VelocityRow, deck);
            const double beats = number(*shot, PositionRow, deck) * trackBpm / 60.0;
            if (std::fabs(beats - std::round(beats)) < 1e-6)
                continue; // on a beat boundary: rounding decides
            EXPECT_EQ(number(*shot, BeatRow, deck), std::fmod(std::floor(beats), 4.0) + 1.0);
        }
        for (int row = EqLowRow; row <= EqHighRow; ++row)
            controlsMoved = controlsMoved || number(first, row, deck) != number(last, row, deck);
    }
    EXPECT_TRUE(controlsMoved) << "the EQs stood still";
    // The DJ brings deck 2 in on channel B: its fader rises while the crossfader waits at A.
    EXPECT_GT(number(last, UpfaderBRow, 1), number(first, UpfaderBRow, 1));
    EXPECT_TRUE(playing(last, 2));
}

// The DJ's first hand-over, deck 1 (channel A) to deck 2 (channel B), moves the crossfader
// across within seconds: the On Air node follows deck 1, then switches to deck 2 once.
TEST(Demo, TheOnAirDeckFollowsTheDjsHandOver)
{
    const ToolRun run = runTool({"demo", "--json", "--duration", "8", "--refresh", "0.5", "--port",
                                 std::to_string(freeUdpPort()), "--discovery-port", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<nlohmann::json> shots = snapshots(run.out);
    ASSERT_GE(shots.size(), 10u) << run.out;
    expectOnAir(shots[2], 1, 0);
    const nlohmann::json& last = shots.back();
    expectOnAir(last, 2, 1);
    // The mix as the audience hears it: deck 1 first, deck 2 alone at the end.
    const auto mix = [](const nlohmann::json& shot, int deck)
    { return shot.at("onAir").at("channels").at("deck" + std::to_string(deck) + "_mix"); };
    EXPECT_GT(mix(shots[0], 1).get<double>(), 0.9);
    EXPECT_EQ(mix(last, 2), 1.0);
    EXPECT_EQ(last.at("onAir").at("nextDeck"), 0);
    const double ago = last.at("onAir").at("secondsSinceSwitch").get<double>();
    EXPECT_GT(ago, 0.0);
    EXPECT_LT(ago, last.at("time").get<double>() - 3.0) << "not before the crossfader moved";
    EXPECT_GT(number(last, CrossfaderRow, 1), 0.5);

    // The events node counts the track loads and what the DJ fired, the events in the order of
    // the table's event rows.
    const nlohmann::json& events = last.at("events");
    ASSERT_GT(events.size(), 4u);
    EXPECT_EQ(events[0].at("name"), "deck1_track");
    EXPECT_GE(events[0].at("count").get<double>(), 1.0);
    std::vector<std::string> names;
    std::vector<std::string> rows;
    for (size_t k = 4; k < events.size(); ++k)
    {
        names.push_back(events[k].at("name"));
        rows.push_back(cellValue(last, CrossfaderRow + 1 + static_cast<int>(k - 4), 0));
    }
    EXPECT_EQ(names, rows);
}

TEST(Demo, PlainViewWithoutATerminalAndMissingBundles)
{
    const ToolRun plain = runTool({"demo", "--once", "--duration", "0.6", "--port",
                                   std::to_string(freeUdpPort()), "--discovery-port", "0"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    // Output that is no terminal gets plain text, without ANSI sequences.
    EXPECT_EQ(plain.out.find('\x1b'), std::string::npos);
    EXPECT_NE(plain.out.find("Deck A"), std::string::npos);
    EXPECT_NE(plain.out.find("Channels  48"), std::string::npos);
    EXPECT_NE(plain.out.find("\nOn Air      ["), std::string::npos);
    EXPECT_NE(plain.out.find(" BPM  deck 1, no switch yet\n            phrase "), std::string::npos)
        << plain.out;
    EXPECT_NE(plain.out.find("\n            mix 1:"), std::string::npos) << plain.out;
    EXPECT_EQ(plain.out.find("Ctrl-C"), std::string::npos) << "--once ends by itself";

    const ToolRun missing = runTool({"demo", "--once", "--bundles", "/nonexistent/orv"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot find OrvDat"), std::string::npos) << missing.err;
    for (const char* bundle : orvtool::kBundleNames)
        EXPECT_NE(missing.err.find(bundle), std::string::npos) << bundle << "\n" << missing.err;
    EXPECT_NE(missing.err.find("/nonexistent/orv"), std::string::npos);
}

// --once --duration 0 takes its one snapshot at once; JSON without --once prints at least the
// final snapshot; a port the node cannot bind ends the demo with 1; ranges read plainly.
TEST(Demo, DurationRulesExitCodesAndPlainRanges)
{
    const std::string port = std::to_string(freeUdpPort());
    const ToolRun now = runTool(
        {"demo", "--once", "--json", "--duration", "0", "--port", port, "--discovery-port", "0"});
    ASSERT_EQ(now.status, 0) << now.err;
    const std::vector<nlohmann::json> shots = snapshots(now.out);
    ASSERT_EQ(shots.size(), 1u) << now.out;
    EXPECT_TRUE(shots[0].at("connected").get<bool>());
    EXPECT_LT(shots[0].at("time").get<double>(), 1.9) << "not the default --once wait of 2 s";

    const ToolRun shorterThanARefresh = runTool({"demo", "--json", "--duration", "0.3", "--refresh",
                                                 "5", "--port", port, "--discovery-port", "0"});
    ASSERT_EQ(shorterThanARefresh.status, 0) << shorterThanARefresh.err;
    EXPECT_EQ(snapshots(shorterThanARefresh.out).size(), 1u);

    const LoopbackSocket holder;
    const ToolRun taken =
        runTool({"demo", "--once", "--port", std::to_string(holder.localEndpoint().port),
                 "--discovery-port", "0"});
    EXPECT_EQ(taken.status, 1);
    EXPECT_NE(taken.err.find("the node did not connect: Error Creating Socket: "),
              std::string::npos)
        << taken.err;

    const ToolRun negative = runTool({"demo", "--duration", "-1"});
    EXPECT_EQ(negative.status, 2);
    EXPECT_NE(negative.err.find("--duration wants a number from 0 to 1000000000, not \"-1\""),
              std::string::npos)
        << negative.err;
}

// orv --version: the tool's build, and the same build shown by each bundle.
TEST(Version, PrintsTheBuildOfTheToolAndOfEachBundle)
{
    const ToolRun run = runTool({"--version", "--bundles", ORV_BUNDLE_FOLDER});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::vector<std::string> out = lines(run.out);
    ASSERT_EQ(out.size(), 8u) << run.out;         // 3 of the tool, the folder, 4 bundles
    const std::string version = out[0].substr(4); // "orv 0.1.0+<commit>"
    EXPECT_EQ(out[2], "  commit           " + version.substr(version.find('+') + 1));
    for (size_t k = 4; k < out.size(); ++k)
        EXPECT_NE(out[k].find("  " + version + "  interface "), std::string::npos) << out[k];

    EXPECT_NE(runTool({"--help"}).out.find("\n  --version "), std::string::npos);
    EXPECT_EQ(runTool({"--version", "--bundles", "/nonexistent/orv"}).status, 1);
}

} // namespace
} // namespace orvtooltest
