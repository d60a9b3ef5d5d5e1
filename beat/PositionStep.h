// The step a sender's Position moves in: 0 for a Position read at send time, the length of an
// audio buffer (in track seconds) for an engine that reports the position at the start of the
// buffer playing, or whatever grain the sender counts in.
//
// A stepped Position only ever moves by whole steps, so every move between two samples in the
// sender's order is a whole multiple of the step: the step is the greatest common divisor of
// the latest moves, found with Euclid's algorithm on real numbers (one odd move among them, from
// where the deck stood or across a change of speed, is left out). An exact Position moves with
// its sender's timer, and the divisor of such moves collapses below anything a sender counts
// in. The step is decided once enough moves of different lengths were seen; at a change of
// speed (a step in track seconds is a buffer times the pitch) the moves are looked at afresh.
#pragma once

#include "beat/Units.h"

namespace orvbeat
{

class PositionStep
{
public:
    static constexpr int movesToTell = 16; // moves, of at least two lengths, that decide the step

    void reset() { *this = PositionStep(); }
    // How far Position moved between two consecutive samples in the sender's order, at `pitch`.
    void add(TrackSeconds move, double pitch);
    // The step, 0 while Position looks exact or nothing is decided.
    TrackSeconds step() const { return step_; }
    bool decided() const { return decided_; }

private:
    // The divisor of the moves held but the one at `left` (-1: all); 0 when it collapses, with
    // the move it collapsed at in `collapsedAt`.
    double divisorWithout(int left, int& collapsedAt) const;

    double moves_[movesToTell] = {};
    int count_ = 0;
    int next_ = 0;
    int sinceExact_ = 0; // moves since an exact Position was last looked at
    double pitch_ = 0.0;
    TrackSeconds step_;
    bool decided_ = false;
};

} // namespace orvbeat
