// Where the deck's Beat changed, and where it did not, from its samples in the order of their
// Position: each change of Beat between two neighbours on the track bounds a beat line to
// (Position before, Position after]; two neighbours with the same Beat have no line between
// them. A sample that arrives late still has its place on the track: it splits the pair it
// falls in, so it narrows what the neighbours alone said. The samples kept are those of the
// current stretch of play (since the last jump), at most `capacity` of the latest positions.
#pragma once

#include "beat/Units.h"

#include <cstdint>

namespace orvbeat
{

// Two samples that became neighbours in Position order.
struct Bracket
{
    TrackSeconds before;
    TrackSeconds after;
    std::int32_t beatBefore = 0;
    std::int32_t beatAfter = 0;

    // A line lies after `before` and at or before `after`; else none lies between them.
    bool changed() const { return beatBefore != beatAfter; }
};

class Brackets
{
public:
    static constexpr int capacity = 96;
    static constexpr int mostNew = 2; // a sample has at most a neighbour on each side

    void clear() { count_ = 0; }
    // Puts a sample in its place; writes the pairs it forms with its neighbours into `opened`
    // (at most mostNew) and returns how many. A sample at a Position already held with the same
    // Beat adds nothing.
    int add(TrackSeconds position, std::int32_t beat, Bracket opened[mostNew]);

private:
    struct Entry
    {
        TrackSeconds position;
        std::int32_t beat = 0;
    };

    Entry entries_[capacity];
    int count_ = 0;
};

} // namespace orvbeat
