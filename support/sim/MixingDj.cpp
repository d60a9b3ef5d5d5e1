#include "support/sim/MixingDj.h"

#include <algorithm>
#include <cmath>

namespace orvsim
{

namespace
{

constexpr int kBeatsPerBar = 4;
constexpr long long kPhraseBars = 8;
constexpr long long kBarsBetweenDrops = 16;
constexpr double kMostPitchChange = 0.12;
constexpr int kOpeningMixBars = 4;
constexpr int kSoloBarChoices[] = {8, 16, 24};
constexpr int kMixBarChoices[] = {8, 16};
// How far behind the main deck's beats the next deck's beats fall (a share of a beat).
constexpr double kLeastPhaseOffset = 0.15;
constexpr double kMostPhaseOffset = 0.45;
// The loop roll's passes, in beats, each from where the roll began: together the bars before
// the drop, so that letting go on the drop's line lands where the track would have been.
constexpr double kRollPasses[] = {4.0, 4.0, 2.0, 2.0, 1.0, 1.0, 1.0, 1.0};
constexpr long long kRollBars = 4;
constexpr double kRollChance = 0.5;
// The cue back to the drop before, from a Break line.
constexpr long long kCueBackBars = 8;
constexpr double kCueChance = 0.6;
constexpr int kMostEventValue = 255;
// More events in one step than a set ever makes in a frame mean a long pause.
constexpr size_t kMostEventsPerTake = 4;

// 0 below 0, 1 above 1, and an S between: a hand on a fader speeds up and slows down.
double ease(double x)
{
    const double t = std::clamp(x, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double crossfaderEnd(int deck)
{
    return MixingDj::onChannelA(deck) ? 0.0 : 1.0;
}

int nextDeck(int deck)
{
    return deck % kDeckCount + 1;
}

long long barOf(const DeckState& deck)
{
    return static_cast<long long>(std::floor(deck.beatsElapsed() / kBeatsPerBar));
}

double beatsToPosition(const DeckState& deck, double beats)
{
    return beats * 60.0 / deck.track.bpm;
}

// The first phrase line after `bar`.
long long nextPhraseLine(long long bar)
{
    return (bar / kPhraseBars + 1) * kPhraseBars;
}

constexpr double rollBeats()
{
    double sum = 0.0;
    for (const double pass : kRollPasses)
        sum += pass;
    return sum;
}
static_assert(rollBeats() == kRollBars * kBeatsPerBar, "the roll fills the bars before the drop");

} // namespace

MixingDj::MixingDj(uint32_t seed, double openingPitch) : model_(seed), random_(seed)
{
    model_.setPitch(1, openingPitch > 0.0 ? openingPitch : 1.0);
    tempo_ = model_.deck(1).bpm();
    nextTrack_ = kDeckCount % trackCrate().size();
    for (int number = 2; number <= kDeckCount; ++number)
    {
        model_.setPlaying(number, false);
        model_.setPitch(number, pitchFor(model_.deck(number).track));
        model_.seek(number, 0.0);
    }
    // The set is under way: deck 1 plays a beat before a phrase line, and the first hand-over, a
    // short one, begins on that line, so that a first look already sees the mixer move.
    const DeckState& opening = model_.deck(1);
    const long long firstBar = nextPhraseLine(barOf(opening));
    model_.seek(1, beatsToPosition(opening, static_cast<double>(firstBar * kBeatsPerBar - 1)));
    nextStopBeat_ = static_cast<double>(firstBar * kBeatsPerBar);
    mixStartBar_ = firstBar;
    mixBars_ = kOpeningMixBars;
    mainLevel_ = faderLevel();
    moveFaders();
}

void MixingDj::advance(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0.0)
        return;
    // The model moves in steps that end exactly on the main deck's bar lines, the ends of the
    // roll's passes and the moment the next deck starts, so that every action lands on its beat
    // whatever the caller's step.
    double left = seconds;
    for (;;)
    {
        const bool starting = phase_ == Phase::Starting;
        const double target = starting ? std::min(nextStopBeat_, startBeat_) : nextStopBeat_;
        const double until = secondsUntilMainBeat(target);
        if (until > left)
        {
            model_.advance(left);
            break;
        }
        model_.advance(until);
        left -= until;
        seekMain(target);
        if (starting && target == startBeat_)
        {
            startIncoming();
            continue;
        }
        if (rolling_)
        {
            rollOn();
            continue;
        }
        nextStopBeat_ += kBeatsPerBar;
        actOnBar(static_cast<long long>(std::llround(target / kBeatsPerBar)));
    }
    moveFaders();
}

std::vector<DjEvent> MixingDj::takeEvents()
{
    std::vector<DjEvent> events = model_.takeEvents();
    if (events.size() > kMostEventsPerTake)
        events.erase(events.begin(), events.end() - kMostEventsPerTake);
    return events;
}

void MixingDj::seekMain(double beat)
{
    model_.seek(main_, beatsToPosition(model_.deck(main_), beat));
}

double MixingDj::secondsUntilMainBeat(double beat) const
{
    const DeckState& deck = model_.deck(main_);
    return std::max(0.0, (beat - deck.beatsElapsed()) * 60.0 / deck.bpm());
}

void MixingDj::actOnBar(long long bar)
{
    if (phase_ == Phase::Mixing)
    {
        if (bar >= mixEndBar_)
            endMix();
        return;
    }
    if (phase_ != Phase::Alone)
        return;
    bar = maybeCue(bar);
    phraseEvents(bar);
    maybeRoll(bar);
    if (bar >= mixStartBar_ && !rolling_)
    {
        std::uniform_real_distribution<double> offset(kLeastPhaseOffset, kMostPhaseOffset);
        startBeat_ = static_cast<double>(bar * kBeatsPerBar) + offset(random_);
        phase_ = Phase::Starting;
    }
}

void MixingDj::phraseEvents(long long bar)
{
    if (bar > 0 && bar % kBarsBetweenDrops == 0)
        model_.announce({"Drop", 1, main_});
    else if (bar % kBarsBetweenDrops == kPhraseBars)
        model_.announce({"Break", 1, main_});
}

long long MixingDj::maybeCue(long long bar)
{
    // From a Break line back to the drop before it, once a turn at most, and not when the mix
    // is due: the set goes on 8 bars later.
    if (cuedThisTurn_ || bar % kBarsBetweenDrops != kPhraseBars || bar <= kCueBackBars ||
        bar >= mixStartBar_)
        return bar;
    if (!std::bernoulli_distribution(kCueChance)(random_))
        return bar;
    cuedThisTurn_ = true;
    const long long landing = bar - kCueBackBars;
    seekMain(static_cast<double>(landing * kBeatsPerBar));
    nextStopBeat_ = static_cast<double>((landing + 1) * kBeatsPerBar);
    const long long phrase = std::min<long long>(landing / kPhraseBars + 1, kMostEventValue);
    model_.announce({"HotCue", static_cast<int>(phrase), main_});
    return landing;
}

void MixingDj::maybeRoll(long long bar)
{
    // Over the bars before a drop, once a drop at most, and not when the mix is due before it.
    const long long drop = bar + kRollBars;
    if (rolling_ || drop % kBarsBetweenDrops != 0 || drop == lastRollDrop_ || drop > mixStartBar_)
        return;
    if (!std::bernoulli_distribution(kRollChance)(random_))
        return;
    lastRollDrop_ = drop;
    rolling_ = true;
    rollPass_ = 0;
    rollStartBeat_ = static_cast<double>(bar * kBeatsPerBar);
    nextStopBeat_ = rollStartBeat_ + kRollPasses[0];
    model_.announce({"Loop", static_cast<int>(kRollPasses[0]), main_});
}

void MixingDj::rollOn()
{
    ++rollPass_;
    if (rollPass_ < std::size(kRollPasses))
    {
        seekMain(rollStartBeat_);
        nextStopBeat_ = rollStartBeat_ + kRollPasses[rollPass_];
        if (kRollPasses[rollPass_] != kRollPasses[rollPass_ - 1])
            model_.announce({"Loop", static_cast<int>(kRollPasses[rollPass_]), main_});
        return;
    }
    // Let go on the drop's line: the deck plays on where the track would have been.
    rolling_ = false;
    const double drop = rollStartBeat_ + static_cast<double>(kRollBars * kBeatsPerBar);
    seekMain(drop);
    model_.announce({"Loop", 0, main_});
    nextStopBeat_ = drop + kBeatsPerBar;
    actOnBar(std::llround(drop / kBeatsPerBar));
}

void MixingDj::startIncoming()
{
    model_.setPlaying(incoming_, true);
    model_.announce({"Cue", incoming_, incoming_});
    incomingLevel_ = faderLevel();
    mixStartTime_ = model_.time();
    mixSeconds_ = mixBars_ * kBeatsPerBar * 60.0 / tempo_;
    mixEndBar_ = mixStartBar_ + mixBars_ + 1;
    phase_ = Phase::Mixing;
}

void MixingDj::endMix()
{
    const int old = main_;
    model_.setPlaying(old, false);
    const Track& track = nextTrack();
    model_.load(old, track);
    model_.setPitch(old, pitchFor(track));

    main_ = incoming_;
    incoming_ = nextDeck(main_);
    mainLevel_ = incomingLevel_;
    phase_ = Phase::Alone;
    cuedThisTurn_ = false;
    const DeckState& deck = model_.deck(main_);
    const long long bar = barOf(deck);
    nextStopBeat_ = static_cast<double>((bar + 1) * kBeatsPerBar);
    planNextMix(bar);
}

void MixingDj::planNextMix(long long bar)
{
    std::uniform_int_distribution<size_t> soloChoice(0, std::size(kSoloBarChoices) - 1);
    std::uniform_int_distribution<size_t> mixChoice(0, std::size(kMixBarChoices) - 1);
    const long long solo = kSoloBarChoices[soloChoice(random_)];
    mixBars_ = kMixBarChoices[mixChoice(random_)];
    mixStartBar_ = (bar + solo + kPhraseBars - 1) / kPhraseBars * kPhraseBars;
    // The old track must not run out during the mix; the mix starts on a phrase line all the same.
    const DeckState& deck = model_.deck(main_);
    const auto trackBars =
        static_cast<long long>(deck.track.lengthSeconds * deck.track.bpm / 60.0 / kBeatsPerBar);
    const long long latest = (trackBars - mixBars_ - 2) / kPhraseBars * kPhraseBars;
    mixStartBar_ = std::max(nextPhraseLine(bar), std::min(mixStartBar_, latest));
}

const Track& MixingDj::nextTrack()
{
    const std::vector<Track>& crate = trackCrate();
    const auto onADeck = [&](const Track& track)
    {
        for (int number = 1; number <= kDeckCount; ++number)
        {
            if (model_.deck(number).track.filepath == track.filepath)
                return true;
        }
        return false;
    };
    for (size_t tried = 0; tried < crate.size(); ++tried)
    {
        const Track& track = crate[nextTrack_];
        nextTrack_ = (nextTrack_ + 1) % crate.size();
        if (!onADeck(track) && std::fabs(pitchFor(track) - 1.0) <= kMostPitchChange)
            return track;
    }
    // Nothing suits (a crate of one tempo far from the set's): the next one all the same.
    const Track& track = crate[nextTrack_];
    nextTrack_ = (nextTrack_ + 1) % crate.size();
    return track;
}

double MixingDj::pitchFor(const Track& track) const
{
    return std::clamp(tempo_ / track.bpm, 0.5, 2.0);
}

double MixingDj::faderLevel()
{
    return std::uniform_real_distribution<double>(0.8, 1.0)(random_);
}

void MixingDj::moveFaders()
{
    double mainFader = mainLevel_;
    double incomingFader = 0.0;
    double crossfader = crossfaderEnd(main_);
    if (phase_ == Phase::Mixing)
    {
        const double progress = (model_.time() - mixStartTime_) / mixSeconds_;
        incomingFader = incomingLevel_ * ease(progress / 0.25);
        crossfader += (crossfaderEnd(incoming_) - crossfader) * ease((progress - 0.25) / 0.5);
        mainFader = mainLevel_ * (1.0 - ease((progress - 0.75) / 0.25));
    }
    if (onChannelA(main_))
        model_.setUpfaders(mainFader, incomingFader);
    else
        model_.setUpfaders(incomingFader, mainFader);
    model_.setCrossfader(crossfader);
}

} // namespace orvsim
