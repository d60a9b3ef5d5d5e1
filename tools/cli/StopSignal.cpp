#include "cli/StopSignal.h"

#include <csignal>

namespace orvtool
{

namespace
{

volatile std::sig_atomic_t stopFlag = 0;

extern "C" void onStopSignal(int)
{
    stopFlag = 1;
}

} // namespace

void installStopHandlers()
{
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

bool stopRequested()
{
    return stopFlag != 0;
}

void requestStop()
{
    stopFlag = 1;
}

} // namespace orvtool
