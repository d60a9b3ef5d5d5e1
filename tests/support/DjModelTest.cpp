// The simulated DJ's decks and mixer: positions run with time and pitch, beats with the tempo,
// tracks change at their end, the mixer holds what it is given, and the datagrams carry
// exactly the model's state.
#include "support/sim/DjModel.h"
#include "support/sim/SimDatagrams.h"

#include "protocol/WireSchema.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace orvsim
{
namespace
{

constexpr double kFrame = 1.0 / 60.0;

TEST(DjModel, PositionRunsAtPitchSecondsOfTrackPerSecond)
{
    DjModel model;
    model.setPitch(1, 1.0);
    model.setPitch(2, 1.5);
    const double start1 = model.deck(1).position;
    const double start2 = model.deck(2).position;
    for (int i = 0; i < 120; ++i)
        model.advance(kFrame);
    EXPECT_NEAR(model.time(), 2.0, 1e-9);
    EXPECT_NEAR(model.deck(1).position - start1, 2.0, 1e-9);
    EXPECT_NEAR(model.deck(2).position - start2, 3.0, 1e-9);

    const DeckState& deck = model.deck(2);
    EXPECT_DOUBLE_EQ(deck.normalizedPosition(), deck.position / deck.track.lengthSeconds);
    EXPECT_DOUBLE_EQ(deck.remaining(), deck.track.lengthSeconds - deck.position);
    EXPECT_DOUBLE_EQ(deck.bpm(), deck.track.bpm * 1.5);
}

// The times at which deck 1's beat changed, and the beats it showed, over `seconds`.
void watchBeats(DjModel& model, double seconds, std::vector<double>& changes,
                std::vector<int>& beats)
{
    int last = model.deck(1).beat();
    for (double t = 0.0; t < seconds; t += kFrame / 10)
    {
        model.advance(kFrame / 10);
        const int beat = model.deck(1).beat();
        if (beat != last)
        {
            changes.push_back(model.time());
            beats.push_back(beat);
            last = beat;
        }
    }
}

TEST(DjModel, BeatsCountOneToFourAtTheDecksTempo)
{
    for (const double pitch : {1.0, 1.25, 0.8})
    {
        SCOPED_TRACE("pitch " + std::to_string(pitch));
        DjModel model;
        model.setPitch(1, pitch);
        const double tempo = model.deck(1).bpm();
        std::vector<double> changes;
        std::vector<int> beats;
        watchBeats(model, 10.0, changes, beats);

        ASSERT_GE(changes.size(), 10u);
        for (size_t i = 1; i < beats.size(); ++i)
        {
            EXPECT_EQ(beats[i], beats[i - 1] % 4 + 1) << "beats go 1, 2, 3, 4, 1";
            EXPECT_NEAR(changes[i] - changes[i - 1], 60.0 / tempo, kFrame / 10 + 1e-9);
        }
        EXPECT_NEAR(static_cast<double>(changes.size()), 10.0 * tempo / 60.0, 1.0);
    }
}

TEST(DjModel, PitchIsClampedAndBadStepsChangeNothing)
{
    DjModel model;
    model.setPitch(3, 5.0);
    EXPECT_EQ(model.deck(3).pitch, 2.0);
    model.setPitch(3, 0.1);
    EXPECT_EQ(model.deck(3).pitch, 0.5);
    model.setPitch(3, std::nan(""));
    EXPECT_EQ(model.deck(3).pitch, 0.5);

    const double position = model.deck(1).position;
    model.advance(-1.0);
    model.advance(std::nan(""));
    model.advance(INFINITY);
    EXPECT_EQ(model.deck(1).position, position);
    EXPECT_EQ(model.time(), 0.0);
}

TEST(DjModel, ATrackThatEndsLoadsTheNextOne)
{
    DjModel model;
    model.takeEvents();
    const Track first = model.deck(4).track;
    const double left = model.deck(4).remaining() / model.deck(4).pitch;
    model.advance(left + 0.5);

    const DeckState& deck = model.deck(4);
    EXPECT_NE(deck.track.title, first.title);
    EXPECT_GT(deck.position, 0.0);
    EXPECT_LT(deck.position, 1.0);
    const std::vector<int> loaded = model.takeLoadedDecks();
    EXPECT_NE(std::find(loaded.begin(), loaded.end(), 4), loaded.end());
    bool loadEvent = false;
    for (const DjEvent& event : model.takeEvents())
        loadEvent = loadEvent || (event.name == "TrackChange" && event.value == 4);
    EXPECT_TRUE(loadEvent);
    EXPECT_TRUE(model.takeLoadedDecks().empty()) << "taken once";
}

TEST(DjModel, TheMixerHoldsWhatItIsGivenAndTheEqsMoveSmoothly)
{
    DjModel model(7);
    model.setUpfaders(0.8, 1.5);
    model.setCrossfader(-0.2);
    model.setUpfaders(std::nan(""), 0.25);
    EXPECT_EQ(model.mixer().upfaderA, 0.8);
    EXPECT_EQ(model.mixer().upfaderB, 0.25);
    EXPECT_EQ(model.mixer().crossfader, 0.0);
    model.setCrossfader(std::nan(""));
    EXPECT_EQ(model.mixer().crossfader, 0.0);

    float eqBefore = model.deck(2).eqMid;
    double largestStep = 0.0;
    for (int i = 0; i < 60 * 60; ++i)
    {
        model.advance(kFrame);
        for (int n = 1; n <= 4; ++n)
        {
            for (const float eq : {model.deck(n).eqLow, model.deck(n).eqMid, model.deck(n).eqHigh})
            {
                ASSERT_GE(eq, 0.0f);
                ASSERT_LE(eq, 1.0f);
            }
        }
        largestStep =
            std::max(largestStep, std::fabs(static_cast<double>(model.deck(2).eqMid - eqBefore)));
        eqBefore = model.deck(2).eqMid;
    }
    EXPECT_LT(largestStep, 0.02) << "no jumps from one frame to the next";
    EXPECT_EQ(model.mixer().upfaderA, 0.8) << "nobody moved it";
    EXPECT_TRUE(model.takeEvents().empty()) << "events are the caller's";
}

orvpack::MsgPack payloadOf(const std::string& datagram, uint8_t type)
{
    EXPECT_EQ(static_cast<uint8_t>(datagram.at(0)), type);
    std::string error;
    const orvpack::MsgPack value =
        orvpack::MsgPack::parse(datagram.data() + 1, datagram.size() - 1, error);
    EXPECT_EQ(error, "");
    return value;
}

TEST(SimDatagrams, CarryTheModelsStateAsTheReceiverReadsIt)
{
    DjModel model;
    model.advance(3.3);
    const DeckState& state = model.deck(3);

    const orvpack::MsgPack deckValue = payloadOf(deckDatagram(state), 1);
    const Deck deck = Deck::fromMsgPack(deckValue);
    EXPECT_EQ(deck.deck, 3);
    EXPECT_EQ(deck.pitch, state.pitch);
    EXPECT_EQ(deck.position, state.position);
    EXPECT_EQ(deck.position2, state.remaining());
    EXPECT_EQ(deck.normalizedPosition, state.normalizedPosition());
    EXPECT_EQ(deck.bpm, state.bpm());
    EXPECT_EQ(deck.length, state.track.lengthSeconds);
    EXPECT_EQ(deck.eqLow, state.eqLow);
    EXPECT_EQ(deck.eqHigh, state.eqHigh);
    EXPECT_EQ(deck.beat, state.beat());
    EXPECT_EQ(deckValue["EQMid"].type(), orvpack::MsgPack::FLOAT32);
    EXPECT_EQ(deckValue["Position"].type(), orvpack::MsgPack::FLOAT64);

    const Meta meta = Meta::fromMsgPack(payloadOf(metaDatagram(state), 2));
    EXPECT_EQ(meta.deck, 3);
    EXPECT_EQ(meta.title, state.track.title);
    EXPECT_EQ(meta.artist, state.track.artist);
    EXPECT_EQ(meta.album, state.track.album);
    EXPECT_EQ(meta.filepath, state.track.filepath);

    const Control control = Control::fromMsgPack(payloadOf(controlDatagram(model.mixer()), 0));
    EXPECT_EQ(control.upfaderA, model.mixer().upfaderA);
    EXPECT_EQ(control.crossfader, model.mixer().crossfader);
    EXPECT_EQ(control.active, 1);

    const Event event = Event::fromMsgPack(payloadOf(eventDatagram({"Drop", 1}), 4));
    EXPECT_EQ(event.name, "Drop");
    EXPECT_EQ(event.value, 1);
}

TEST(TrackCrate, HoldsEnoughBelievableTracks)
{
    const std::vector<Track>& crate = trackCrate();
    ASSERT_GE(crate.size(), 8u);
    for (const Track& track : crate)
    {
        EXPECT_GE(track.lengthSeconds, 120.0) << track.title;
        EXPECT_GE(track.bpm, 90.0);
        EXPECT_LE(track.bpm, 140.0);
        EXPECT_FALSE(track.title.empty() || track.artist.empty() || track.album.empty());
        EXPECT_EQ(track.filepath.rfind("/Music/", 0), 0u);
    }
}

} // namespace
} // namespace orvsim
