// The running count of a long command ("recorded so far: 1234 datagrams in 61.0 s"): on a
// terminal one line redrawn in place a few times a second, elsewhere (a log, a pipe) a line
// now and then, so that a long run neither floods its log nor goes silent.
#pragma once

#include <ostream>
#include <string>

namespace orvtool
{

class RunningCount
{
public:
    // `what` names one of the things counted: "datagram".
    RunningCount(std::ostream& out, bool terminal, std::string what);

    // The count at `seconds` since the start; shown when the last showing is old enough.
    void update(long long count, double seconds);
    // Clears the redrawn line, so that what follows starts on a clean line.
    void finish();

private:
    std::ostream& out_;
    bool terminal_;
    std::string what_;
    double shownAt_ = 0.0;
    bool lineOpen_ = false;
};

} // namespace orvtool
