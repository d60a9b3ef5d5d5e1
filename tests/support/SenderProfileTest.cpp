// What the simulated sender reports under each profile: the default exactly the model's state,
// Position in whole steps, Beat 0..3, a grid that starts later in the track (and the truth with
// it), and a BPM that leaves the pitch out; and the report behind a Deck datagram, which the
// oracle reads, says the step its Position comes in and is what the datagram carries.
#include "support/sim/SenderProfile.h"
#include "support/sim/Presets.h"
#include "support/sim/SimDatagrams.h"

#include "protocol/WireSchema.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

namespace orvsim
{
namespace
{

SenderProfile preset(const std::string& name)
{
    SenderProfile profile;
    EXPECT_TRUE(findPreset(senderPresets(), name, profile)) << name;
    return profile;
}

// Deck 1 of a fresh model at `position` seconds into its track.
DeckState deckAt(double position)
{
    DeckState deck = DjModel().deck(1);
    deck.position = position;
    return deck;
}

TEST(SenderProfile, CoarsePositionComesInWholeStepsAndEverythingFollowsIt)
{
    const SenderProfile coarse = preset("coarse");
    ASSERT_EQ(coarse.positionStep, 0.010);
    for (double position = 0.0; position < 5.0; position += 0.0031)
    {
        const double reported = reportedPosition(deckAt(position), coarse);
        const double steps = reported / coarse.positionStep;
        ASSERT_NEAR(steps, std::round(steps), 1e-6) << position;
        ASSERT_LE(reported, position + 1e-12);
        ASSERT_GT(reported, position - coarse.positionStep);
    }

    const DeckState deck = deckAt(12.3456);
    std::string error;
    const Deck record =
        Deck::fromMsgPack(orvpack::MsgPack::parse(deckDatagram(deck, coarse).substr(1), error));
    ASSERT_EQ(error, "");
    EXPECT_NEAR(record.position, 12.34, 1e-9);
    EXPECT_NEAR(record.position2, deck.track.lengthSeconds - 12.34, 1e-9);
}

TEST(SenderProfile, BeatZeroCountsFromZeroToThree)
{
    const SenderProfile beat0 = preset("beat0");
    std::set<int> seen;
    for (double position = 0.0; position < 10.0; position += 0.01)
    {
        const DeckState deck = deckAt(position);
        ASSERT_EQ(reportedBeat(deck, beat0), deck.beat() - 1);
        seen.insert(reportedBeat(deck, beat0));
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3}));
}

TEST(SenderProfile, AnOffsetGridMovesTheBoundariesAndTheTruthWithThem)
{
    const SenderProfile offset = preset("offset-grid");
    ASSERT_GT(offset.gridOffset, 0.0);
    ASSERT_LT(offset.gridOffset, 1.0);
    const double beatLength = 60.0 / deckAt(0.0).track.bpm;

    // Before the grid's first line the deck is in the last beat of a bar; the line itself
    // begins beat 1, and each later line the next beat.
    EXPECT_EQ(reportedBeat(deckAt(0.0), offset), 4);
    for (int line = 0; line < 9; ++line)
    {
        const double at = (line + offset.gridOffset) * beatLength;
        EXPECT_EQ(reportedBeat(deckAt(at - 1e-6), offset), barPosition(line - 1) + 1);
        EXPECT_EQ(reportedBeat(deckAt(at + 1e-6), offset), barPosition(line) + 1);
        EXPECT_NEAR(gridBeats(deckAt(at), offset), line, 1e-9) << "the truth moves too";
    }
    EXPECT_EQ(barPosition(-1), 3);
    EXPECT_EQ(barPosition(-4), 0);
}

TEST(SenderProfile, BpmWithoutPitchIsTheTracksTempoWhileTheDecksPlayOffPitch)
{
    const SenderProfile noPitch = preset("bpm-no-pitch");
    DjModel model;
    applyDeckPitch(noPitch, model);
    for (int number = 1; number <= kDeckCount; ++number)
    {
        const DeckState& deck = model.deck(number);
        EXPECT_EQ(deck.pitch, 1.06);
        EXPECT_EQ(reportedBpm(deck, noPitch), deck.track.bpm);
        EXPECT_NEAR(reportedBpm(deck, preset("default")), deck.track.bpm * 1.06, 1e-9);
    }
    EXPECT_EQ(preset("slow").rate, 30.0);
}

TEST(SenderProfile, ADeckReportHasItsPositionStepAndIsWhatTheDatagramCarries)
{
    DeckState deck = deckAt(12.3456);
    deck.playing = true;
    deck.pitch = 1.03;
    SenderProfile buffered;
    buffered.bufferSamples = 512;
    buffered.sampleRate = 44100.0;
    buffered.beatFromEngine = true;
    const SenderProfile coarse = preset("coarse");
    const double sendTime = 7.0123;

    const DeckReport steps = deckReport(deck, coarse, sendTime);
    EXPECT_EQ(steps.step, 0.010);
    EXPECT_NEAR(steps.position, 12.34, 1e-9) << "on the step grid, at or below the deck";
    EXPECT_EQ(steps.sendTime, sendTime);
    EXPECT_EQ(deckReport(deck, SenderProfile{}, sendTime).step, 0.0) << "Position exact";

    const DeckReport buffers = deckReport(deck, buffered, sendTime);
    EXPECT_NEAR(buffers.step, 512.0 / 44100.0 * 1.03, 1e-12) << "a buffer's play at the pitch";
    EXPECT_LT(buffers.position, deck.position);
    EXPECT_GT(buffers.position, deck.position - buffers.step);

    for (const auto& [report, sender] : {std::pair{steps, coarse}, std::pair{buffers, buffered}})
    {
        std::string error;
        const Deck record = Deck::fromMsgPack(
            orvpack::MsgPack::parse(deckDatagram(deck, sender, sendTime).substr(1), error));
        ASSERT_EQ(error, "");
        EXPECT_EQ(record.position, report.position);
        EXPECT_EQ(record.beat, report.beat);
        EXPECT_EQ(record.bpm, report.bpm);
        EXPECT_EQ(record.pitch, report.pitch);
        EXPECT_EQ(record.length, report.length);
    }
}

} // namespace
} // namespace orvsim
