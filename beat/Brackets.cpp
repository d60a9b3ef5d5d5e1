#include "beat/Brackets.h"

#include <algorithm>

namespace orvbeat
{

int Brackets::add(TrackSeconds position, std::int32_t beat, Bracket opened[mostNew])
{
    if (!isFinite(position))
        return 0;
    // After the last entry with a position at or below this one: equal positions keep their
    // arrival order.
    Entry* const end = entries_ + count_;
    int place = static_cast<int>(std::upper_bound(entries_, end, position,
                                                  [](TrackSeconds p, const Entry& e)
                                                  { return p < e.position; }) -
                                 entries_);
    if (place > 0 && entries_[place - 1].position == position && entries_[place - 1].beat == beat)
        return 0; // a duplicate, or a repeat while paused: nothing new
    if (count_ == capacity)
    {
        if (place == 0)
            return 0; // older than everything kept
        // Forget the earliest position: the stretch's newest samples are the ones that count.
        std::copy(entries_ + 1, entries_ + count_, entries_);
        --count_;
        --place;
    }
    std::copy_backward(entries_ + place, entries_ + count_, entries_ + count_ + 1);
    entries_[place] = Entry{position, beat};
    ++count_;

    int written = 0;
    if (place > 0)
    {
        const Entry& before = entries_[place - 1];
        opened[written++] = Bracket{before.position, position, before.beat, beat};
    }
    if (place + 1 < count_)
    {
        const Entry& after = entries_[place + 1];
        opened[written++] = Bracket{position, after.position, beat, after.beat};
    }
    return written;
}

} // namespace orvbeat
