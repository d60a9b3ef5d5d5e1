// The simulated DJ's set over a few minutes: hand-overs with the channel faders and the
// crossfader, the next deck beat-matched with its phases apart, events on the beat, each its
// own datagram, loop rolls and cues that keep the beat on its grid, and the same set again from
// the same seed whatever the step.
#include "support/sim/MixingDj.h"
#include "support/sim/SimDatagrams.h"

#include "protocol/WireSchema.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

namespace orvsim
{
namespace
{

constexpr double kFrame = 1.0 / 60.0;

// How loud the audience hears a deck: its channel's fader times the crossfader's linear gain
// for that side (decks 1 and 3 on A at 0, 2 and 4 on B at 1), 0 unless it plays.
double heard(const DjModel& model, int number)
{
    const MixerState& mixer = model.mixer();
    if (!model.deck(number).playing)
        return 0.0;
    return MixingDj::onChannelA(number) ? mixer.upfaderA * (1.0 - mixer.crossfader)
                                        : mixer.upfaderB * mixer.crossfader;
}

int loudest(const DjModel& model)
{
    int best = 1;
    for (int number = 2; number <= kDeckCount; ++number)
        best = heard(model, number) > heard(model, best) ? number : best;
    return best;
}

// The beat within the bar as a fraction, 0 to 4.
double inBar(const DeckState& deck)
{
    return std::fmod(deck.beatsElapsed(), 4.0);
}

TEST(MixingDj, HandsOverDeckToDeckBeatMatchedWithTheFadersAndEventsOnTheBeat)
{
    MixingDj dj(1);
    const double beatsPerFrame = dj.tempo() / 60.0 * kFrame;
    std::map<std::string, int> counts;
    int dropDatagrams = 0;
    int handOvers = 0;
    int loudestChanges = 0;
    int heardDeck = loudest(dj.decks());
    MixerState before = dj.decks().mixer();
    DjModel decksBefore = dj.decks();

    // Four hand-overs: about three minutes of the set.
    for (int frame = 0; frame < 60 * 600 && handOvers < 4; ++frame)
    {
        const int main = dj.mainDeck();
        const int incoming = dj.incomingDeck();
        dj.advance(kFrame);
        const DjModel& model = dj.decks();
        const MixerState& mixer = model.mixer();
        SCOPED_TRACE("at " + std::to_string(model.time()) + " s");

        // Faders in range, moving smoothly; one deck on air, two while mixing, all at the
        // set's tempo; a deck that plays on keeps its beat's phase, across rolls and cues too.
        for (const double value : {mixer.upfaderA, mixer.upfaderB, mixer.crossfader})
            ASSERT_TRUE(value >= 0.0 && value <= 1.0) << value;
        ASSERT_LT(std::max({std::fabs(mixer.crossfader - before.crossfader),
                            std::fabs(mixer.upfaderA - before.upfaderA),
                            std::fabs(mixer.upfaderB - before.upfaderB)}),
                  0.02);
        before = mixer;
        int playing = 0;
        for (int n = 1; n <= kDeckCount; ++n)
        {
            const DeckState& deck = model.deck(n);
            playing += deck.playing ? 1 : 0;
            ASSERT_NEAR(deck.bpm(), dj.tempo(), 1e-9) << "deck " << n;
            if (deck.playing && decksBefore.deck(n).playing)
            {
                const double moved = inBar(deck) - inBar(decksBefore.deck(n));
                ASSERT_NEAR(std::fmod(moved + 8.0, 1.0), beatsPerFrame, 1e-6) << "deck " << n;
            }
        }
        decksBefore = model;
        ASSERT_TRUE(playing == 1 || playing == 2) << playing;

        // The next deck starts with the crossfader still at the old deck's end, its beats
        // 0.15 to 0.45 of a beat behind the old deck's.
        if (incoming == 0 && dj.incomingDeck() != 0)
        {
            EXPECT_EQ(dj.incomingDeck(), main % kDeckCount + 1);
            const double behind = std::fmod(model.deck(main).beatsElapsed() -
                                                model.deck(dj.incomingDeck()).beatsElapsed(),
                                            1.0);
            EXPECT_GE(behind, 0.15);
            EXPECT_LE(behind, 0.45);
            EXPECT_EQ(mixer.crossfader, MixingDj::onChannelA(main) ? 0.0 : 1.0);
        }
        // A hand-over ends with the crossfader at the new deck's end and the old one stopped.
        if (dj.mainDeck() != main)
        {
            ++handOvers;
            EXPECT_EQ(dj.mainDeck(), incoming);
            EXPECT_EQ(mixer.crossfader, MixingDj::onChannelA(incoming) ? 0.0 : 1.0);
            EXPECT_EQ(heard(model, main), 0.0);
            EXPECT_GE(heard(model, incoming), 0.8);
        }
        if (loudest(model) != heardDeck)
        {
            ++loudestChanges;
            heardDeck = loudest(model);
        }

        const std::vector<DjEvent> events = dj.takeEvents();
        for (const DjEvent& event : events)
        {
            ++counts[event.name];
            const DeckState& deck = model.deck(event.deck);
            if (event.name == "Cue")
                EXPECT_LE(deck.beatsElapsed(), beatsPerFrame + 1e-9) << "from its first beat";
            else if (event.name == "TrackChange")
                EXPECT_TRUE(event.value == main && deck.position == 0.0 && !deck.playing);
            else
                EXPECT_LE(inBar(deck), beatsPerFrame + 1e-9) << event.name << " on a bar line";
        }
        for (const StreamDatagram& datagram :
             stepDatagrams(model, dj.takeLoadedDecks(), events, SenderProfile{}, false))
        {
            std::string error;
            const Event event = Event::fromMsgPack(orvpack::MsgPack::parse(
                datagram.bytes.data() + 1, datagram.bytes.size() - 1, error));
            dropDatagrams += datagram.bytes[0] == 4 && event.name == "Drop" && event.value == 1;
        }
    }
    EXPECT_EQ(handOvers, 4);
    EXPECT_EQ(loudestChanges, handOvers) << "the loudest deck changes once per hand-over";
    EXPECT_EQ(counts["Cue"], handOvers);
    EXPECT_EQ(counts["TrackChange"], handOvers);
    EXPECT_GE(counts["Loop"], 1);
    EXPECT_GE(counts["Break"], 2);
    EXPECT_GE(counts["Drop"], 2);
    const std::set<std::string> known{"Cue", "TrackChange", "Loop", "Break", "Drop", "HotCue"};
    for (const auto& [name, count] : counts)
        EXPECT_EQ(known.count(name), 1u) << name;
    EXPECT_EQ(dropDatagrams, counts["Drop"]) << "each repeat of Drop = 1 is a datagram";
}

// A jump of the deck on air, seen between two frames.
struct Jump
{
    double time = 0.0;
    double beats = 0.0;                // how far, in beats of the track; < 0 backwards
    double landing = 0.0;              // the track's beat it landed on
    double frameBeats = 0.0;           // the deck's beats each frame
    std::map<std::string, int> events; // what the DJ announced in that frame
};

// The set's jumps: whole beats, taken on a beat line, so the deck lands on a beat line too.
std::vector<Jump> jumpsOf(MixingDj& dj, double seconds)
{
    std::vector<Jump> jumps;
    DjModel before = dj.decks();
    for (double time = 0.0; time < seconds; time += kFrame)
    {
        const int main = dj.mainDeck();
        dj.advance(kFrame);
        std::map<std::string, int> events;
        for (const DjEvent& event : dj.takeEvents())
            events[event.name] = event.value;
        const DeckState& now = dj.decks().deck(main);
        const DeckState& then = before.deck(main);
        const double frameBeats = now.bpm() / 60.0 * kFrame;
        const double beats = now.beatsElapsed() - then.beatsElapsed() - frameBeats;
        if (now.playing && then.playing && now.track.filepath == then.track.filepath &&
            std::fabs(beats) > 1e-6)
        {
            EXPECT_NEAR(beats, std::round(beats), 1e-6) << "at " << time;
            const double from = std::ceil(then.beatsElapsed() - 1e-6);
            EXPECT_LE(from, then.beatsElapsed() + frameBeats + 1e-6) << "on a beat line";
            jumps.push_back(
                {time, std::round(beats), from + std::round(beats), frameBeats, events});
        }
        before = dj.decks();
    }
    return jumps;
}

// Before some drops the deck on air rolls a loop that halves, 4 beats twice, 2 twice, 1 four
// times, from the bar line 4 bars before the drop, and lets go on the drop's line where the
// track would have been; now and then the DJ cues back from a Break line to the drop before.
TEST(MixingDj, RollsAHalvingLoopIntoADropAndCuesBackToTheDropBefore)
{
    const std::vector<double> rollJumps = {-4, -4, -2, -2, -1, -1, -1, 15};
    const std::vector<double> rollPasses = {4, 4, 2, 2, 1, 1, 1, 1};
    int rolls = 0;
    int cues = 0;
    for (const uint32_t seed : {1u, 2u, 3u})
    {
        SCOPED_TRACE("seed " + std::to_string(seed));
        MixingDj dj(seed);
        const std::vector<Jump> jumps = jumpsOf(dj, 20 * 60.0);
        size_t k = 0;
        while (k < jumps.size())
        {
            const Jump& jump = jumps[k];
            SCOPED_TRACE("jump at " + std::to_string(jump.time) + " s");
            if (jump.beats == -32.0)
            {
                // A cue: 8 bars back from a Break line, onto the drop before it.
                ++cues;
                EXPECT_EQ(std::fmod(jump.landing, 64.0), 0.0);
                EXPECT_EQ(jump.events.at("HotCue"), static_cast<int>(jump.landing / 32.0) + 1);
                EXPECT_EQ(jump.events.count("Drop"), 1u);
                ++k;
                continue;
            }
            ASSERT_LE(k + rollJumps.size(), jumps.size());
            ++rolls;
            const double start = jumps[k].landing; // every pass begins there
            EXPECT_EQ(std::fmod(start, 4.0), 0.0) << "on a bar line";
            for (size_t pass = 0; pass < rollJumps.size(); ++pass)
            {
                const Jump& step = jumps[k + pass];
                EXPECT_EQ(step.beats, rollJumps[pass]) << "pass " << pass;
                if (pass > 0)
                {
                    const double played =
                        (step.time - jumps[k + pass - 1].time) * dj.tempo() / 60.0;
                    EXPECT_NEAR(played, rollPasses[pass], step.frameBeats + 1e-6)
                        << "pass " << pass;
                }
            }
            EXPECT_EQ(jumps[k + 1].events.at("Loop"), 2);
            EXPECT_EQ(jumps[k + 3].events.at("Loop"), 1);
            // Let go on the drop, 16 beats after the roll began, where the track would have been.
            const Jump& release = jumps[k + rollJumps.size() - 1];
            EXPECT_EQ(release.landing, start + 16.0);
            EXPECT_EQ(std::fmod(release.landing, 64.0), 0.0);
            EXPECT_NEAR((release.time - jumps[k].time) * dj.tempo() / 60.0, 16.0 - 4.0,
                        release.frameBeats + 1e-6);
            EXPECT_EQ(release.events.at("Loop"), 0);
            EXPECT_EQ(release.events.count("Drop"), 1u);
            k += rollJumps.size();
        }
    }
    EXPECT_GE(rolls, 3);
    EXPECT_GE(cues, 2);
}

// A seed makes one set whatever the step; a long pause (a suspended laptop) plays on without
// a burst of old events.
TEST(MixingDj, TheSameSeedPlaysTheSameSetWhateverTheStep)
{
    MixingDj byFrame(5);
    MixingDj byTenth(5);
    std::vector<std::string> framed;
    std::vector<std::string> tenths;
    const auto record = [](MixingDj& dj, double step, std::vector<std::string>& into)
    {
        dj.advance(step);
        for (const DjEvent& event : dj.takeEvents())
            into.push_back(event.name + "=" + std::to_string(event.value));
    };
    for (int tenth = 0; tenth < 2400; ++tenth)
    {
        for (int k = 0; k < 6; ++k)
            record(byFrame, kFrame, framed);
        record(byTenth, 0.1, tenths);
    }
    EXPECT_GE(framed.size(), 20u);
    EXPECT_EQ(framed, tenths);
    for (int n = 1; n <= kDeckCount; ++n)
        EXPECT_NEAR(byFrame.decks().deck(n).position, byTenth.decks().deck(n).position, 1e-6);

    byFrame.advance(3600.0);
    EXPECT_LE(byFrame.takeEvents().size(), 4u);
    EXPECT_TRUE(byFrame.decks().deck(byFrame.mainDeck()).playing);
    byFrame.advance(std::nan(""));
    byFrame.advance(-1.0);
    EXPECT_NEAR(byFrame.decks().time(), 3840.0, 1e-6);
}

} // namespace
} // namespace orvsim
