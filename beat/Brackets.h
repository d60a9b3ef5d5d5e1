// Where the deck's Beat changed, from its samples in the order of their Position: each change of
// Beat between two neighbours on the track bounds a beat line to (Position before, Position
// after]. A sample that arrives late still has its place on the track: it splits the bracket it
// falls in, so it narrows what the neighbours alone said. The samples kept are those of the
// current stretch of play (since the last jump), at most `capacity` of the latest positions.
#pragma once

#include "beat/Units.h"

#include <cstdint>

namespace orvbeat
{

struct Bracket
{
    TrackSeconds before;      // the line lies after this...
    TrackSeconds after;       // ...and at or before this
    std::int32_t beatBefore = 0;
    std::int32_t beatAfter = 0;
};

class Brackets
{
public:
    static constexpr int capacity = 96;
    static constexpr int mostNew = 2; // a sample opens at most a bracket on each side

    void clear() { count_ = 0; }
    // Puts a sample in its place; writes the brackets it opens into `opened` (at most mostNew)
    // and returns how many. A sample at a Position already held with the same Beat adds nothing.
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
