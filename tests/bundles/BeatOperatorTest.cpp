// The beat operator over a real table operator: what it declares, when it writes nothing, and
// a deck that plays on loopback locking its clock. The clock's precision is measured by the
// beat phase benchmark; its behaviour state by state by the beat tracker's own tests.
#include "BundleTestSupport.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace orvtest
{
namespace
{

using orvharness::NodeId;
using orvharness::ParameterKind;

const char* const kBeatChannels[9] = {"beat_ramp", "bar_ramp", "beat_pulse", "beat",  "beats",
                                      "bpm",       "playing",  "position",   "locked"};

class BeatOperatorTest : public BundleTest
{
protected:
    void SetUp() override
    {
        BundleTest::SetUp();
        orv = createOrv("orv1", port);
        beat = createReader(*beatBundle, "beat1", "orv1");
        ASSERT_NE(beat, orvharness::noNode);
    }

    float channel(const std::string& name)
    {
        const orvharness::ChannelOutput output = net->channelOutput(beat);
        for (size_t k = 0; k < output.names.size(); ++k)
        {
            if (output.names[k] == name)
                return output.samples[k][0];
        }
        ADD_FAILURE() << "no channel " << name;
        return NAN;
    }

    bool wroteNothing()
    {
        for (const auto& channel : net->channelOutput(beat).writtenLastCook)
        {
            if (channel[0])
                return false;
        }
        return true;
    }

    NodeId orv = orvharness::noNode;
    NodeId beat = orvharness::noNode;
    uint16_t port = 0;
};

TEST_F(BeatOperatorTest, DeclaresItsTypeParametersAndChannels)
{
    const orvharness::PluginInfo& info = beatBundle->info();
    EXPECT_EQ(info.family, orvharness::Family::Chop);
    EXPECT_EQ(info.apiVersion, 65546);
    EXPECT_EQ(info.opType, "Orvbeat");
    EXPECT_EQ(info.opLabel, "ORV Beat");
    EXPECT_EQ(info.authorName, "Quillmore");

    const std::vector<orvharness::ParameterRecord> records = net->parameters(beat);
    ASSERT_EQ(records.size(), 15u);
    EXPECT_EQ(records[0].name, "Orvdat");
    EXPECT_EQ(records[0].kind, ParameterKind::Dat);
    EXPECT_EQ(records[1].name, "Deck");
    EXPECT_EQ(records[1].kind, ParameterKind::Menu);
    EXPECT_EQ(records[1].menuLabels,
              (std::vector<std::string>{"1", "2", "3", "4", "All", "On Air"}));
    EXPECT_EQ(records[1].defaultText, records[1].menuNames[0]);
    EXPECT_EQ(records[2].name, "Beatsperbar");
    EXPECT_EQ(records[2].label, "Beats per Bar");
    EXPECT_EQ(records[2].defaultValues[0], 4.0);
    EXPECT_TRUE(records[2].clampMins[0] && records[2].clampMaxes[0]);
    EXPECT_EQ(records[3].name, "Bpmincludespitch");
    EXPECT_EQ(records[3].kind, ParameterKind::Toggle);
    EXPECT_EQ(records[3].defaultValues[0], 1.0);
    EXPECT_EQ(records[4].name, "Channeladecks");
    EXPECT_EQ(records[4].defaultText, "1 3");
    EXPECT_EQ(records[5].name, "Channelbdecks");
    EXPECT_EQ(records[5].defaultText, "2 4");
    EXPECT_EQ(records[6].name, "Crossfaderrange");
    EXPECT_EQ(records[6].menuLabels, (std::vector<std::string>{"0 to 1", "-1 to 1"}));
    EXPECT_EQ(records[7].name, "Offset");
    EXPECT_EQ(records[7].label, "Offset (ms)");
    EXPECT_EQ(records[7].kind, ParameterKind::Float);
    EXPECT_EQ(records[7].defaultValues[0], 0.0);
    // The groups beside the clock, all off by default, after everything a saved project has.
    const struct
    {
        const char* name;
        const char* label;
        ParameterKind kind;
        double byDefault;
    } groups[] = {{"Phrase", "Phrase", ParameterKind::Toggle, 0.0},
                  {"Barsperphrase", "Bars per Phrase", ParameterKind::Int, 8.0},
                  {"Phraseoffset", "Phrase Offset (bars)", ParameterKind::Int, 0.0},
                  {"Warnbeats", "Warn Beats", ParameterKind::Int, 4.0},
                  {"Trackend", "Track End", ParameterKind::Toggle, 0.0},
                  {"Mix", "Mix", ParameterKind::Toggle, 0.0},
                  {"Cues", "Cues", ParameterKind::Toggle, 0.0}};
    for (std::size_t i = 0; i < std::size(groups); ++i)
    {
        const orvharness::ParameterRecord& record = records[8 + i];
        EXPECT_EQ(record.name, groups[i].name);
        EXPECT_EQ(record.label, groups[i].label);
        EXPECT_EQ(record.kind, groups[i].kind) << record.name;
        EXPECT_EQ(record.defaultValues[0], groups[i].byDefault) << record.name;
    }

    net->cookFrame();
    std::vector<std::string> one(std::begin(kBeatChannels), std::end(kBeatChannels));
    EXPECT_EQ(net->channelOutput(beat).names, one);

    ASSERT_TRUE(net->setParameter(beat, "Deck", 4)); // "All"
    net->cookFrame();
    const std::vector<std::string> all = net->channelOutput(beat).names;
    ASSERT_EQ(all.size(), 36u);
    EXPECT_EQ(all[0], "deck1_beat_ramp");
    EXPECT_EQ(all[9 + 5], "deck2_bpm");
    EXPECT_EQ(all[35], "deck4_locked");

    ASSERT_TRUE(net->setParameter(beat, "Deck", 5)); // "On Air"
    net->cookFrame();
    one.push_back("deck");
    EXPECT_EQ(net->channelOutput(beat).names, one);

    // Every group on: On Air's groups after `deck`, the mix between the track end and the cues.
    for (const char* group : {"Phrase", "Trackend", "Mix", "Cues"})
        ASSERT_TRUE(net->setParameter(beat, group, 1));
    net->cookFrame();
    const std::vector<std::string> extras = {"phrase_ramp", "bar_in_phrase",  "phrase_pulse",
                                             "phrases",     "phrase_warning", "time_left",
                                             "beats_left",  "bars_left",      "track_progress"};
    const std::vector<std::string> mix = {"deck1_mix", "deck2_mix", "deck3_mix", "deck4_mix",
                                          "next_deck"};
    const std::vector<std::string> cues = {"jump_pulse", "jump_beats", "looping", "loop_beats"};
    std::vector<std::string> onAir = one;
    onAir.insert(onAir.end(), extras.begin(), extras.end());
    onAir.insert(onAir.end(), mix.begin(), mix.end());
    onAir.insert(onAir.end(), cues.begin(), cues.end());
    EXPECT_EQ(net->channelOutput(beat).names, onAir);

    // All: the 36 first, as before, then each deck's groups (no mix: it is On Air's).
    ASSERT_TRUE(net->setParameter(beat, "Deck", 4));
    net->cookFrame();
    const std::vector<std::string> allOn = net->channelOutput(beat).names;
    ASSERT_EQ(allOn.size(), 36u + 4u * 13u);
    EXPECT_TRUE(std::equal(all.begin(), all.end(), allOn.begin()));
    EXPECT_EQ(allOn[36], "deck1_phrase_ramp");
    EXPECT_EQ(allOn[36 + 13], "deck2_phrase_ramp");
    EXPECT_EQ(allOn.back(), "deck4_loop_beats");
}

TEST_F(BeatOperatorTest, WritesNothingWithoutAConnectedOrvNode)
{
    net->cookFrame();
    EXPECT_TRUE(wroteNothing()) << "not connected yet";

    reconnect(orv);
    EXPECT_FALSE(wroteNothing());
    EXPECT_EQ(channel("playing"), 0.0f) << "no datagram yet";

    ASSERT_TRUE(net->setReportedOpType(orv, "Orvother"));
    net->cookFrame();
    EXPECT_TRUE(wroteNothing()) << "a custom operator of another type";

    ASSERT_TRUE(net->setParameter(beat, "Orvdat", ""));
    net->cookFrame();
    EXPECT_TRUE(wroteNothing()) << "an empty reference";
    EXPECT_EQ(net->hostErrorText(beat), "");
}

// A deck at 120 BPM whose Beat follows its position, sent every 16.882 ms: a beat is 29.618
// intervals, so each boundary falls at a new place between datagrams and the lines are placed
// within a few beats (at a whole number of intervals no receiver could place them).
TEST_F(BeatOperatorTest, APlayingDeckLocksItsClockAndPulsesOnItsBeats)
{
    reconnect(orv);
    ASSERT_TRUE(net->setParameter(beat, "Trackend", 1));
    ASSERT_TRUE(net->setParameter(beat, "Phrase", 1));
    const auto start = std::chrono::steady_clock::now();
    auto nextSend = start;
    const auto sendDue = [&]
    {
        const auto now = std::chrono::steady_clock::now();
        if (now < nextSend)
            return;
        nextSend += std::chrono::microseconds(16882);
        const double position = 10.0 + std::chrono::duration<double>(now - start).count();
        const int beatInBar = static_cast<int>(std::floor(position * 2.0)) % 4 + 1;
        sender.send(port, datagram(MessageType::Deck, {{"Deck", 1},
                                                       {"Position", position},
                                                       {"Pitch", 1.0},
                                                       {"BPM", 120.0},
                                                       {"Length", 300.0},
                                                       {"Beat", beatInBar}}));
    };
    ASSERT_TRUE(cookUntil(
        *net,
        [&]
        {
            sendDue();
            return channel("locked") == 1.0f;
        },
        std::chrono::milliseconds(15000)))
        << "the clock did not lock";

    int pulses = 0;
    float lastRamp = channel("beat_ramp");
    cookUntil(
        *net,
        [&]
        {
            sendDue();
            const float ramp = channel("beat_ramp");
            EXPECT_GE(ramp, 0.0f);
            EXPECT_LT(ramp, 1.0f);
            if (channel("beat_pulse") == 1.0f)
                ++pulses;
            else
                EXPECT_GE(ramp, lastRamp) << "the ramp ran backwards within a beat";
            lastRamp = ramp;
            return pulses >= 3;
        },
        std::chrono::milliseconds(3000));
    EXPECT_GE(pulses, 3);
    EXPECT_NEAR(channel("bpm"), 120.0f, 0.5f);
    EXPECT_EQ(channel("playing"), 1.0f);
    EXPECT_NEAR(channel("position"),
                10.0f +
                    std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count(),
                0.1f);
    const float beat = channel("beat");
    EXPECT_TRUE(beat >= 1.0f && beat <= 4.0f) << beat;

    // The track's end and the phrase, through the host: 300 s long, at pitch 1.
    const float elapsed =
        std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count();
    EXPECT_NEAR(channel("time_left"), 300.0f - 10.0f - elapsed, 0.05f);
    EXPECT_NEAR(channel("track_progress"), (10.0f + elapsed) / 300.0f, 0.001f);
    EXPECT_GT(channel("bars_left"), 0.0f);
    const float bar = channel("bar_in_phrase");
    EXPECT_TRUE(bar >= 1.0f && bar <= 8.0f) << bar;
}

// Decks 1 and 2 at 120 BPM, deck 2's beats a third of a beat after deck 1's, handed over by the
// crossfader over 8 beats; then the clock read 50 ms ahead.
TEST_F(BeatOperatorTest, OnAirSwitchesOnceOnTheNewDecksBeatAndOffsetLeads)
{
    reconnect(orv);
    ASSERT_TRUE(net->setParameter(beat, "Deck", 5)); // "On Air"
    ASSERT_TRUE(net->setParameter(beat, "Mix", 1));
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&]
    { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    const double deck2Lead = 20.0 + 0.5 / 3.0;
    double crossfader = 0.0;
    auto nextSend = start;
    const auto sendDue = [&]
    {
        if (std::chrono::steady_clock::now() < nextSend)
            return;
        nextSend += std::chrono::microseconds(16882);
        for (int deck : {1, 2})
        {
            const double position = (deck == 1 ? 10.0 : deck2Lead) + elapsed();
            const int beatInBar = static_cast<int>(std::floor(position * 2.0)) % 4 + 1;
            sender.send(port, datagram(MessageType::Deck, {{"Deck", deck},
                                                           {"Position", position},
                                                           {"Pitch", 1.0},
                                                           {"BPM", 120.0},
                                                           {"Length", 300.0},
                                                           {"Beat", beatInBar}}));
        }
        sender.send(port,
                    datagram(MessageType::Control,
                             {{"UpfaderA", 1.0}, {"UpfaderB", 1.0}, {"Crossfader", crossfader}}));
    };
    ASSERT_TRUE(cookUntil(
        *net,
        [&]
        {
            sendDue();
            return channel("locked") == 1.0f && channel("deck") == 1.0f;
        },
        std::chrono::milliseconds(15000)))
        << "deck 1's clock did not lock";

    const double fadeStart = elapsed();
    double switchedAfterMiddle = -1.0;
    int switches = 0;
    float lastDeck = 1.0f;
    float lastRamp = channel("beat_ramp");
    // The mix: deck 1's share falls as deck 2's rises, the shares add up to 1 on every frame,
    // and the next deck is 2 until the switch, then 1 until deck 1 is silent.
    float lastShare1 = 1.0f;
    std::vector<float> nextDecks;
    cookUntil(
        *net,
        [&]
        {
            crossfader = std::min(1.0, (elapsed() - fadeStart) / 4.0);
            sendDue();
            const float ramp = channel("beat_ramp");
            const bool pulse = channel("beat_pulse") == 1.0f;
            if (channel("deck") != lastDeck)
            {
                ++switches;
                EXPECT_TRUE(pulse) << "no pulse at the switch";
                switchedAfterMiddle = elapsed() - fadeStart - 2.0;
                lastDeck = channel("deck");
            }
            if (!pulse)
            {
                EXPECT_GE(ramp, lastRamp) << "the ramp ran backwards within a beat";
            }
            lastRamp = ramp;
            const float share1 = channel("deck1_mix");
            const float shares =
                share1 + channel("deck2_mix") + channel("deck3_mix") + channel("deck4_mix");
            EXPECT_NEAR(shares, 1.0f, 1e-5f) << "at " << elapsed() - fadeStart;
            EXPECT_LE(share1, lastShare1 + 1e-6f);
            lastShare1 = share1;
            const float next = channel("next_deck");
            if (nextDecks.empty() || nextDecks.back() != next)
                nextDecks.push_back(next);
            return elapsed() - fadeStart > 5.0;
        },
        std::chrono::milliseconds(6000));
    EXPECT_EQ(switches, 1);
    EXPECT_EQ(lastDeck, 2.0f);
    // None while the crossfader still silences deck 2, then 2, 1 after the switch, none at the end.
    EXPECT_EQ(nextDecks, (std::vector<float>{0.0f, 2.0f, 1.0f, 0.0f}));
    EXPECT_EQ(lastShare1, 0.0f);
    EXPECT_EQ(channel("deck2_mix"), 1.0f);
    EXPECT_LT(switchedAfterMiddle, 1.0) << "more than two beats after the middle";

    // Read 50 ms ahead, the ramp shows deck 2's phase 50 ms from now.
    ASSERT_TRUE(net->setParameter(beat, "Offset", 50.0));
    std::vector<double> errorsMs;
    cookUntil(
        *net,
        [&]
        {
            sendDue();
            const double t = elapsed() - fadeStart;
            const double truth = 2.0 * (deck2Lead + elapsed() + 0.05);
            const double error = channel("beat_ramp") - (truth - std::floor(truth));
            if (t > 6.0)
                errorsMs.push_back(std::fabs(error - std::round(error)) * 500.0);
            return t > 7.0;
        },
        std::chrono::milliseconds(3000));
    ASSERT_FALSE(errorsMs.empty());
    std::sort(errorsMs.begin(), errorsMs.end());
    EXPECT_LT(errorsMs[errorsMs.size() / 2], 3.0) << "median error, ms";
}

} // namespace
} // namespace orvtest
