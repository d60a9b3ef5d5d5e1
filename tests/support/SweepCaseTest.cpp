// The sweep's draw and traffic: every condition comes in about the share it should, the same
// seed draws the same case, the sender's timer and garbage keep to their bounds, every arrival
// is a datagram that was sent (garbage and all, as a node decodes it), and playback hands each
// one on no sooner than its time.
#include "support/sim/Playback.h"
#include "support/sim/SweepTraffic.h"

#include "protocol/WireSchema.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace orvsim
{
namespace
{

TEST(SweepCase, EachConditionComesInItsShareAndASeedDrawsOneCase)
{
    constexpr int kSeeds = 600;
    int exact = 0, engine = 0, beat0 = 0, noPitch = 0, nodeMatches = 0, nearOne = 0;
    int incidents = 0, garbage = 0;
    std::set<std::string> networks;
    for (std::uint64_t seed = 1; seed <= kSeeds; ++seed)
    {
        const SweepCase drawn = drawCase(seed);
        const SenderProfile& sender = drawn.sender;
        const PlannedTrack& track = drawn.deck.track(0);
        const double pitch = drawn.deck.at(0.0).pitch;
        ASSERT_GE(drawn.duration, 30.0);
        ASSERT_LT(drawn.duration, 40.0);
        ASSERT_GE(track.bpm, 90.0);
        ASSERT_LT(track.bpm, 160.0);
        ASSERT_GE(track.gridOffset, 0.0);
        ASSERT_LT(track.gridOffset, track.beatSeconds());
        ASSERT_GE(pitch, 0.92);
        ASSERT_LE(pitch, 1.08);
        ASSERT_GE(sender.rate, 25.0);
        ASSERT_LT(sender.rate, 60.0);
        ASSERT_LE(drawn.network.loss, 0.2);
        ASSERT_LE(drawn.network.duplication, 0.05);
        exact += sender.bufferSamples == 0;
        engine += sender.beatFromEngine;
        beat0 += sender.firstBeat == 0;
        noPitch += !sender.bpmIncludesPitch;
        nodeMatches += drawn.nodeBpmIncludesPitch == sender.bpmIncludesPitch;
        nearOne += std::fabs(pitch - 1.0) <= 0.01;
        incidents += drawn.deck.events().size() > 1;
        garbage += drawn.garbage.has_value();
        networks.insert(drawn.network.name);
    }
    const auto share = [](int count) { return static_cast<double>(count) / kSeeds; };
    EXPECT_NEAR(share(exact), 0.25, 0.06);
    EXPECT_NEAR(share(engine), 0.5, 0.07);
    EXPECT_NEAR(share(beat0), 0.5, 0.07);
    EXPECT_NEAR(share(noPitch), 0.5, 0.07);
    EXPECT_NEAR(share(nodeMatches), 0.75, 0.07) << "set to match, or left on";
    EXPECT_GT(share(nearOne), 0.33) << "a third within 1% of 1, and some of the rest";
    EXPECT_NEAR(share(incidents), 0.4, 0.07);
    EXPECT_NEAR(share(garbage), 0.1, 0.04);
    EXPECT_EQ(networks,
              (std::set<std::string>{"heavy-tail", "lan", "stalls", "stalls-shuffled", "wifi"}));
    EXPECT_EQ(describe(drawCase(17)), describe(drawCase(17)));
    EXPECT_NE(describe(drawCase(17)), describe(drawCase(18)));
}

TEST(SweepTraffic, TheTimerGarbageAndArrivalsKeepToTheCase)
{
    // A seed with a garbage window.
    std::uint64_t seed = 1;
    while (!drawCase(seed).garbage)
        ++seed;
    const SweepCase drawn = drawCase(seed);
    const SweepTraffic traffic = sweepTraffic(drawn, 3);
    const double period = 1.0 / drawn.sender.rate;
    for (size_t i = 0; i < traffic.sent.size(); ++i)
    {
        const DeckReport& report = traffic.sent[i];
        const double late = report.sendTime - static_cast<double>(i) * period;
        ASSERT_GE(late, 0.0);
        ASSERT_LE(late, 0.002);
        ASSERT_EQ(report.garbage, drawn.garbage->contains(report.sendTime)) << report.sendTime;
    }
    std::string error;
    bool sawNaN = false;
    for (size_t i = 0; i < traffic.arrivals.size(); ++i)
    {
        const Arrival& arrival = traffic.arrivals[i];
        ASSERT_LT(arrival.sequence, traffic.sent.size());
        const DeckReport& sent = traffic.sent[arrival.sequence];
        ASSERT_GE(arrival.time, sent.sendTime + drawn.network.minDelay - 1e-12);
        ASSERT_LT(arrival.time, drawn.duration);
        ASSERT_GE(arrival.time, i > 0 ? traffic.arrivals[i - 1].time : 0.0);
        const Deck record = Deck::fromMsgPack(orvpack::MsgPack::parse(
            arrival.datagram.data() + 1, arrival.datagram.size() - 1, error));
        ASSERT_EQ(error, "");
        EXPECT_EQ(record.deck, 3);
        EXPECT_EQ(record.beat, sent.beat);
        EXPECT_TRUE(record.position == sent.position ||
                    (std::isnan(record.position) && std::isnan(sent.position)));
        sawNaN = sawNaN || std::isnan(record.position) || std::isnan(record.bpm);
    }
    EXPECT_TRUE(sawNaN) << "garbage reaches the wire as it is";
}

TEST(Playback, HandsEachArrivalOnNoSoonerThanItsTimeAndStopsWhenAsked)
{
    const std::vector<Arrival> arrivals = {{0.0, "a", 0}, {0.02, "b", 1}, {0.04, "c", 2}};
    const auto start = std::chrono::steady_clock::now();
    std::vector<double> handed;
    const auto seconds = [&]
    { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    EXPECT_EQ(playArrivals(
                  arrivals, start, [&](const Arrival&) { handed.push_back(seconds()); },
                  [] { return true; }),
              3u);
    ASSERT_EQ(handed.size(), 3u);
    for (size_t i = 0; i < handed.size(); ++i)
        EXPECT_GE(handed[i], arrivals[i].time);

    const std::vector<Arrival> late = {{0.0, "a", 0}, {60.0, "b", 1}};
    size_t asked = 0;
    EXPECT_EQ(playArrivals(
                  late, std::chrono::steady_clock::now(), [](const Arrival&) {},
                  [&] { return ++asked < 3; }),
              1u)
        << "a minute's wait ends at the next question";
}

} // namespace
} // namespace orvsim
