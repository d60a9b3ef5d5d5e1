// The loop behind `orv demo` and `orv monitor`: cook the nodes at 60 frames a second, as the
// host does, and show a snapshot about ten times a second (the terminal view, or one JSON
// object a line), until --duration is over or Ctrl-C; with --once, show one snapshot at
// the end only (--duration 0: at once, after one frame).
#pragma once

#include "cli/Options.h"
#include "live/LiveNodes.h"

#include <functional>
#include <string>
#include <vector>

namespace orvtool
{

struct LiveLoopSettings
{
    std::string command;   // "demo" or "monitor": the title and the JSON "command"
    double duration = 0.0; // seconds; 0 runs until Ctrl-C, or with `once` ends at once
    bool once = false;
    bool json = false;
    double refresh = 0.1; // seconds between snapshots
    double fps = 60.0;
    std::string bundles; // --bundles
};

// The options that demo and monitor share: --json, --once, --duration, --refresh, --fps,
// --bundles.
std::vector<OptionSpec> liveLoopOptions();
// Reads them; false with a message for a bad value.
bool readLiveLoopOptions(const ParsedOptions& options, LiveLoopSettings& settings,
                         std::string& error);

// Runs until done; `annotate` may add notes to each snapshot before it is shown (called on
// this thread). Returns the exit code: a failure when the node is not connected at the end
// (its bind failed, or a receive error stopped it), which it also says on standard error.
int runLiveLoop(LiveNodes& nodes, const LiveLoopSettings& settings,
                const std::function<void(Snapshot&)>& annotate);

} // namespace orvtool
