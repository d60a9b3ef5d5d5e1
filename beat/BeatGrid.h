// Where the deck's beat lines lie on its timeline: every place and beat length that every
// boundary seen allows, for each tempo convention still possible.
//
// Each candidate length BPM can mean (TempoChoice) keeps the interval of places its line 0 can
// have (LineInterval); a bracket that misses a candidate's interval refutes it. Where no
// candidate fits, the boundaries alone place the lines and measure the length (LengthPolygon).
// The estimate runs at the chosen candidate; how wide the places of the lines near the deck's
// position still are counts every candidate of the chosen kind still alive: a convention the
// boundaries have not yet settled keeps the estimate wide.
//
// Two neighbours with the same Beat have no line between them: a candidate that puts one there
// for sure (half the length, when BPM is twice the beat rate) is refuted too.
//
// A candidate whose length moves puts its lines aside; when BPM comes back to that length (the
// noise is over), they are taken up again.
//
// Noise: a bracket that fits no hypothesis of the kind in use (nor a multiple still alive) is
// held as a suspect, not taken. A second one, on another line, that agrees with it under some
// length means the lines moved (garbage before, a grid of another kind): the grid starts again
// from the two. One that fits again means the suspect was noise, and it is forgotten. A Beat
// that changes far more often than beats come (six changes within one beat) drives nothing:
// the grid keeps what it had until the changes thin out again.
#pragma once

#include "beat/LengthPolygon.h"
#include "beat/LineInterval.h"
#include "beat/TempoChoice.h"

#include <algorithm>

namespace orvbeat
{

struct GridEstimate
{
    bool placed = false;  // the boundaries have placed the lines
    bool settled = false; // no longer beat length than the one used still fits
    TrackSeconds length;  // the beat length the phase runs at (0 when unknown)
    long long index = 0;  // the number of the line at or before the position asked about
    TrackSeconds line;    // where that line lies (the middle of what is possible)
    TrackSeconds width;   // how wide the places of that line and the next still are
    int brackets = 0;     // the brackets that placed them
    // The narrowest of them on its own: as narrow as `width`, the width owes nothing to chance.
    TrackSeconds narrowestBracket{1e300};
    unsigned generation = 0; // changes when the lines are numbered anew
};

class BeatGrid
{
public:
    // Forgets everything; the lines it numbers next are numbered anew.
    void reset()
    {
        const unsigned generation = generation_;
        *this = BeatGrid();
        generation_ = generation + 1;
    }
    // Another track: its lines are learned afresh; how the sender counts BPM is kept.
    void startTrack();
    // Its lines count as numbered anew, after `after` (the generation of the grid it replaces).
    void numberAnew(unsigned after) { generation_ = std::max(generation_, after) + 1; }
    unsigned generation() const { return generation_; }

    // The tempo as the latest sample reads it; a candidate whose length it changes starts again.
    void setTempo(const TempoReading& reading, PitchConvention preferred);
    // One bracket of the timeline (already widened by the Position step). True when the grid
    // took it; `line` then receives the number of the line it holds.
    bool addBracket(TrackSeconds before, TrackSeconds after, long long& line);
    // Two neighbours with the same Beat: no line lies after `from` and at or before `to`.
    void exclude(TrackSeconds from, TrackSeconds to);
    // The lines around `position`.
    GridEstimate estimate(TrackSeconds position) const;
    bool suspecting() const { return hasSuspect_; }
    // Beat changes far more often than beats come: the brackets drive nothing now.
    bool noisy() const;
    // The length the chosen candidate reads from BPM, placed or not (0 when BPM gives none).
    TrackSeconds bpmLength() const;

private:
    enum class Kind
    {
        None,     // nothing placed
        Plain,    // BPM's own length, in either convention
        Multiple, // twice or half of it
        Measured, // the boundaries alone
    };

    // A longer candidate still fitting by this share leaves the length unsettled (twice the
    // length).
    static constexpr double kLongerShare = 1.25;

    Kind kindInUse() const;
    // The candidate reads a length from BPM, in a convention not refuted.
    bool possible(int candidate) const;
    void noteRefutations();
    bool inUse(int candidate, Kind kind) const;
    bool fitsKind(Kind kind, TrackSeconds before, TrackSeconds after) const;
    void take(TrackSeconds before, TrackSeconds after);
    void startAgain();
    void choose();
    // The union, over the candidates in use, of the places of the line nearest `near`.
    void lineUnion(TrackSeconds near, TrackSeconds& low, TrackSeconds& high) const;
    long long lineNumber(TrackSeconds before, TrackSeconds after) const;
    TrackSeconds lengthInUse() const;

    LineInterval candidates_[kTempoCandidates];
    bool alive_[kTempoCandidates] = {};
    // Each candidate's placed lines for the length it read before the latest change.
    struct Shelved
    {
        LineInterval interval;
        bool alive = false;
    };
    Shelved shelved_[kTempoCandidates];
    LengthPolygon measured_;
    PitchConvention preferred_ = PitchConvention::Included;
    TempoReading lastReading_; // the reading setTempo last took (readingHeld_)
    bool readingHeld_ = false;
    bool conventionOut_[2] = {}; // by PitchConvention: refuted for this sender
    int chosen_ = -1; // the candidate the phase runs at; -1 for the measured length or none
    Kind chosenKind_ = Kind::None;
    unsigned generation_ = 0;

    // The middles of the latest brackets offered, for telling a noisy Beat.
    static constexpr int kDense = 6;
    TrackSeconds recent_[kDense];
    int recentCount_ = 0;

    bool hasSuspect_ = false;
    TrackSeconds suspectBefore_;
    TrackSeconds suspectAfter_;
};

} // namespace orvbeat
