// The step a sender's Position moves in when it reports it coarsely (once per audio buffer of
// 10 ms, say) rather than exactly.
//
// Such a Position moves by one step or by several between two datagrams (10 or 20 ms at 60
// datagrams a second), where an exact one moves by the send interval, or by two or three of
// them where a datagram was lost. So the step is the least move seen, once most moves are
// whole multiples of it and a good share of them are not one step but several.
#pragma once

namespace orvbeat
{

class PositionStep
{
public:
    static constexpr int moves = 32;       // the latest moves looked at
    static constexpr int movesToTell = 16; // the fewest that tell

    void reset() { *this = PositionStep(); }
    // How far Position moved between two consecutive samples in the sender's order.
    void add(double move);
    // The step, or 0 while Position looks exact.
    double step() const { return step_; }
    // Enough moves were seen to tell.
    bool decided() const { return count_ >= movesToTell; }

private:
    void estimate();

    double moves_[moves] = {};
    int count_ = 0;
    int next_ = 0;
    double step_ = 0.0;
};

} // namespace orvbeat
