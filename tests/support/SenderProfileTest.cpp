// What the simulated sender reports under each profile: the default exactly the model's state,
// Position in whole steps, Beat 0..3, a grid that starts later in the track (and the truth with
// it), and a BPM that leaves the pitch out.
#include "support/sim/SenderProfile.h"
#include "support/sim/Presets.h"
#include "support/sim/SimDatagrams.h"

#include "protocol/WireSchema.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

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

} // namespace
} // namespace orvsim
