// What the Deck datagrams that arrived allow any receiver to know of a deck's beat lines, and
// from when: the measure a beat clock is judged against, per run, instead of fixed numbers.
//
// Per track (a new track starts afresh), the track's arrived datagrams in Position order (ties
// in arrival order): wherever Beat changes between two neighbours, a line lies in (Position
// before, Position after], widened on the upper side by the Position step the datagrams show
// (the greatest common divisor of the sender's moves): no receiver can tell a Beat read from a
// finer position than the one sent from one read from Position itself, so none may take the
// narrower bound. That bound is known once both datagrams have arrived. The bounds are carried
// to one reference line by the beat length and intersected. Which beat length is open until
// the datagrams settle it: 60 x Pitch / BPM track seconds if BPM includes the pitch, 60 / BPM
// if not; each convention keeps its own intersection, and one whose intersection runs empty,
// or whose length moves while the other's stays, is refuted. `locked` is allowed from the
// first arrival after which the surviving conventions together place the line the deck is at
// within kLockedWidth of host time (at the current pitch); a convention refuted on an earlier
// track stays out (the sender's conventions are its own, not the track's). Garbage datagrams
// (the sender's broken window) tell nothing and are left out.
//
// Also the floor no receiver sees: the path's least one-way delay; and when the datagrams
// first show Beat's base (a 0, or the bar's last number).
#pragma once

#include "support/sim/DeckReport.h"
#include "support/sim/NetworkModel.h"
#include "support/sim/SweepCase.h"
#include "support/sim/SweepTraffic.h"

#include <optional>
#include <utility>
#include <vector>

namespace orvsim
{

// Host seconds within which the lines must be placed for `locked`: a line placed anywhere within
// them is at most half of it, 2 ms, from where the clock puts it.
inline constexpr double kLockedWidth = 0.003;

// Where one convention of the beat length places the track's reference line (the line of the
// first bound): (from, to] in track seconds, the intersection of every bound carried to it.
struct LinePlace
{
    bool placed = false;
    double from = 0.0;
    double to = 0.0;
    std::optional<double> refutedAt; // host time its intersection ran empty

    // Carries the bound (lo, hi] of some line, lines `beat` track seconds apart, to the
    // reference line and intersects.
    void add(double lo, double hi, double beat, double now);
    // How many lines the one nearest `position` lies from the reference line.
    double linesTo(double position, double beat) const;
};

struct TrackOracle
{
    std::optional<double> firstArrival;  // of any of its datagrams
    std::optional<double> lockAllowedAt; // host time; none: the run never allowed it
    double finalWidth = -1.0;            // host seconds of the last union (< 0: no bound yet)
    // The union's width as it changed: (host time, host seconds), in time order.
    std::vector<std::pair<double, double>> widths;
    // The width at host time `time`; infinity before the first bound.
    double widthAt(double time) const;
    LinePlace withPitch;    // 60 x Pitch / BPM track seconds a beat
    LinePlace withoutPitch; // 60 / BPM
};

struct OracleVerdict
{
    std::vector<TrackOracle> tracks; // by track index
    // The first refutation of each convention on any track: how the sender counts BPM holds
    // for all its tracks, so a convention refuted once stays out on the tracks after.
    std::optional<double> withPitchRefutedAt;
    std::optional<double> withoutPitchRefutedAt;
    double leastDelay = 0.0; // seconds
    std::optional<double> beatBaseShownAt;
};

// `sent` and `arrivals` as SweepTraffic holds them (an arrival's `sequence` indexes `sent`);
// `beatsPerBar` is the sender's.
OracleVerdict consultOracle(const std::vector<DeckReport>& sent,
                            const std::vector<Arrival>& arrivals, int beatsPerBar);
// A sweep case's traffic, with its sender's truth and bars of kBeatsPerBar.
OracleVerdict consultOracle(const SweepTraffic& traffic);

} // namespace orvsim
