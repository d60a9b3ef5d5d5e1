// Where the beats lie on the deck's timeline: grid lines at base + k x length.
//
// Each observed Beat change is a bracket (before, at] of the timeline holding one grid line.
// Two hypotheses run side by side:
// - anchored: the grid starts at timeline 0 (the beat number is derived from the track
//   position, as many DJ programs do). It holds while every bracket contains one of its lines
//   and is dropped, until the next track, at the first bracket that does not.
// - learned: the feasible places of one grid line, as an interval carried from beat to beat
//   (widened by the length's uncertainty), intersected with each new bracket. As the datagram
//   phase drifts against the beat, the brackets cut the interval down. A bracket that misses
//   it is held as a candidate; the next bracket confirms the candidate (the grid moved) or
//   the interval (the odd bracket was noise).
// The phase keeps its whole beats continuous when the grid in use moves, so beat counts and
// bar positions derived from it do not jump.
#pragma once

namespace orvbeat
{

class BeatGrid
{
public:
    void reset() { *this = BeatGrid(); }
    // Forgets what the brackets taught (for a beat length that changed: the brackets are to be
    // taken again with the new one) but keeps the phase's whole beats continuous.
    void relearn()
    {
        BeatGrid fresh;
        fresh.base_ = base_;
        fresh.shift_ = shift_;
        *this = fresh;
    }
    // Puts a grid line at `location`: where a deck that has shown no boundary starts playing.
    void startAt(double location, double length);
    // One bracket (before, at]; `drift` is how far a line may wander per beat of distance for
    // the length's uncertainty. The anchored grid is tested and used only with an exact length
    // (a measured one is too rough to follow from the start of the track). True when the grid
    // in use, unchanged, has a line in the bracket.
    bool addBoundary(double before, double at, double length, double drift, bool exactLength);

    bool learned() const { return boundaries_ > 0; }
    // How wide the place of a grid line is still, on the timeline: 0 on the anchored grid with
    // an exact length, the feasible interval's width on a learned one.
    double uncertainty() const;
    bool anchored() const { return anchoredAlive_; }
    double phaseAt(double location, double length) const
    {
        return (location - base_) / length + shift_;
    }

private:
    struct Interval
    {
        double lo = 0.0;
        double hi = 0.0;
        bool valid = false;
    };

    void moveBase(double newBase, double length);

    bool anchoredAlive_ = true;
    bool anchoredUsed_ = false; // the latest bracket kept the anchored grid in use
    Interval feasible_;         // one grid line's feasible places
    Interval candidate_;        // a bracket that missed `feasible_`, awaiting confirmation
    int boundaries_ = 0;
    double base_ = 0.0;
    double shift_ = 0.0; // whole beats added to keep the phase continuous
};

} // namespace orvbeat
