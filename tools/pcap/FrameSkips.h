// The frames of a capture that hold no IPv4 UDP datagram for the port asked for, counted by
// why, and said in one line: what `replay` and `decode` report after reading a capture.
#pragma once

#include "pcap/UdpFrame.h"

#include <string>

namespace orvtool
{

class FrameSkips
{
public:
    // Counts `result` when it is no UDP datagram; whether it was one.
    bool take(FrameResult result);
    void countOtherPort() { ++otherPort_; }

    long long otherPorts() const { return otherPort_; }
    long long total() const { return otherPort_ + notUdp_ + fragments_ + truncated_ + malformed_; }
    // "skipped: 1 to other ports, 2 not IPv4 UDP"; empty when nothing was skipped.
    std::string text() const;

private:
    long long otherPort_ = 0;
    long long notUdp_ = 0; // not IPv4 or not UDP
    long long fragments_ = 0;
    long long truncated_ = 0;
    long long malformed_ = 0;
};

} // namespace orvtool
