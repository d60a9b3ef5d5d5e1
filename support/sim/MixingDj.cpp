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
constexpr double kLoopChance = 0.3;
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
    // The set is under way: deck 1 plays a beat before a bar line, and the first hand-over, a
    // short one, begins on that line, so that a first look already sees the mixer move.
    const DeckState& opening = model_.deck(1);
    const long long firstBar = barOf(opening) + 1;
    model_.seek(1, beatsToPosition(opening, static_cast<double>(firstBar * kBeatsPerBar - 1)));
    nextBarBeat_ = static_cast<double>(firstBar * kBeatsPerBar);
    mixStartBar_ = firstBar;
    mixBars_ = kOpeningMixBars;
    mainLevel_ = faderLevel();
    moveFaders();
}

void MixingDj::advance(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0.0)
        return;
    // The model moves in steps that end exactly on the main deck's bar lines and on the
    // moment the next deck starts, so that every action lands on its beat whatever the
    // caller's step.
    double left = seconds;
    for (;;)
    {
        const bool starting = phase_ == Phase::Starting;
        const double target = starting ? std::min(nextBarBeat_, startBeat_) : nextBarBeat_;
        const double until = secondsUntilMainBeat(target);
        if (until > left)
        {
            model_.advance(left);
            break;
        }
        model_.advance(until);
        left -= until;
        model_.seek(main_, beatsToPosition(model_.deck(main_), target));
        if (starting && target == startBeat_)
        {
            startIncoming();
            continue;
        }
        nextBarBeat_ += kBeatsPerBar;
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

double MixingDj::secondsUntilMainBeat(double beat) const
{
    const DeckState& deck = model_.deck(main_);
    return std::max(0.0, (beat - deck.beatsElapsed()) * 60.0 / deck.bpm());
}

void MixingDj::actOnBar(long long bar)
{
    if (loopPassesLeft_ > 0 && bar == loopEndBar_)
    {
        --loopPassesLeft_;
        const DeckState& deck = model_.deck(main_);
        model_.seek(main_,
                    beatsToPosition(deck, static_cast<double>(loopStartBar_ * kBeatsPerBar)));
        nextBarBeat_ = static_cast<double>((loopStartBar_ + 1) * kBeatsPerBar);
        return;
    }
    if (phase_ == Phase::Mixing)
    {
        if (bar >= mixEndBar_)
            endMix();
        return;
    }
    if (phase_ != Phase::Alone)
        return;
    phraseEvents(bar);
    maybeLoop(bar);
    if (bar >= mixStartBar_ && loopPassesLeft_ == 0)
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

void MixingDj::maybeLoop(long long bar)
{
    // The last bar or two before a drop, played twice; once a phrase at most, and not when
    // the mix is due before the loop is over.
    const long long intoPhrase = bar % kBarsBetweenDrops;
    const long long loopBars = kBarsBetweenDrops - intoPhrase;
    const long long phrase = bar / kBarsBetweenDrops;
    if (loopBars > 2 || phrase == lastLoopPhrase_ || bar + loopBars > mixStartBar_)
        return;
    if (!std::bernoulli_distribution(kLoopChance)(random_))
        return;
    lastLoopPhrase_ = phrase;
    loopStartBar_ = bar;
    loopEndBar_ = bar + loopBars;
    loopPassesLeft_ = 1;
    model_.announce({"Loop", static_cast<int>(loopBars * kBeatsPerBar), main_});
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
    const DeckState& deck = model_.deck(main_);
    const long long bar = barOf(deck);
    nextBarBeat_ = static_cast<double>((bar + 1) * kBeatsPerBar);
    planNextMix(bar);
}

void MixingDj::planNextMix(long long bar)
{
    std::uniform_int_distribution<size_t> soloChoice(0, std::size(kSoloBarChoices) - 1);
    std::uniform_int_distribution<size_t> mixChoice(0, std::size(kMixBarChoices) - 1);
    const long long solo = kSoloBarChoices[soloChoice(random_)];
    mixBars_ = kMixBarChoices[mixChoice(random_)];
    mixStartBar_ = (bar + solo + kPhraseBars - 1) / kPhraseBars * kPhraseBars;
    // The old track must not run out during the mix.
    const DeckState& deck = model_.deck(main_);
    const auto trackBars =
        static_cast<long long>(deck.track.lengthSeconds * deck.track.bpm / 60.0 / kBeatsPerBar);
    mixStartBar_ = std::max(bar + 1, std::min(mixStartBar_, trackBars - mixBars_ - 2));
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
