#include "live/LiveLoop.h"

#include "cli/StopSignal.h"
#include "commands/Command.h"
#include "view/Diagnostics.h"
#include "view/JsonSnapshot.h"
#include "view/TerminalView.h"
#include "view/TextRender.h"

#include "platform/Platform.h"

#include <chrono>
#include <iostream>
#include <thread>

namespace orvtool
{

namespace
{

using Clock = std::chrono::steady_clock;

// --once without --duration waits this long, so that a snapshot has something in it.
constexpr double kOnceDefaultSeconds = 2.0;
// Plain (not a terminal, not JSON) output appends whole snapshots: one a second is plenty.
constexpr double kPlainRefreshSeconds = 1.0;

} // namespace

std::vector<OptionSpec> liveLoopOptions()
{
    return {
        {"--json", "", "one JSON object per refresh instead of the terminal view"},
        {"--once", "", "one snapshot after --duration (default 2 s; 0: at once), then exit"},
        {"--duration", "SECONDS", "stop after this long (default, and 0: until Ctrl-C)"},
        {"--refresh", "SECONDS",
         "time between snapshots (default 0.1; 1 for the plain view "
         "when the output is no terminal)"},
        {"--fps", "N", "frames cooked a second (default 60)"},
        {"--bundles", "DIR", "folder holding the bundles (default: beside orv)"},
    };
}

bool readLiveLoopOptions(const ParsedOptions& options, LiveLoopSettings& settings,
                         std::string& error)
{
    settings.json = options.has("--json");
    settings.once = options.has("--once");
    settings.bundles = options.text("--bundles");
    const bool plain = !settings.json && !stdoutIsTerminal();
    if (!options.real("--duration", settings.once ? kOnceDefaultSeconds : 0.0, 0.0, 1e9,
                      settings.duration, error) ||
        !options.real("--refresh", plain ? kPlainRefreshSeconds : 0.1, 0.01, 3600.0,
                      settings.refresh, error) ||
        !options.real("--fps", 60.0, 1.0, 1000.0, settings.fps, error))
        return false;
    return true;
}

int runLiveLoop(LiveNodes& nodes, const LiveLoopSettings& settings,
                const std::function<void(Snapshot&)>& annotate)
{
    TerminalView view(std::cout, !settings.json && stdoutIsTerminal());
    const std::string title = "orv " + settings.command;
    const Clock::time_point start = Clock::now();
    const auto seconds = [&](Clock::time_point t)
    { return std::chrono::duration<double>(t - start).count(); };
    const auto framePeriod = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / settings.fps));
    const auto refreshPeriod = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(settings.refresh));
    // --once always ends: after --duration, at once for 0. Otherwise 0 runs until Ctrl-C.
    const bool limited = settings.once || settings.duration > 0.0;

    bool shownAny = false;
    const auto takeSnapshot = [&](double at)
    {
        Snapshot snapshot = nodes.snapshot(at);
        annotate(snapshot);
        return snapshot;
    };
    const auto show = [&](const Snapshot& snapshot)
    {
        if (settings.json)
            std::cout << jsonLine(snapshotJson(snapshot, settings.command)) << std::endl;
        else
            view.show(renderSnapshot(snapshot, title, view.screen()));
        shownAny = true;
    };

    Clock::time_point nextFrame = start;
    Clock::time_point nextShow = start + refreshPeriod;
    while (!stopRequested())
    {
        const Clock::time_point now = Clock::now();
        if (limited && seconds(now) >= settings.duration)
            break;
        if (now >= nextFrame)
        {
            nodes.cookFrame(seconds(now));
            nextFrame += framePeriod;
            if (nextFrame < now)
                nextFrame = now + framePeriod; // fell behind: no burst of frames
        }
        if (!settings.once && now >= nextShow)
        {
            show(takeSnapshot(seconds(now)));
            nextShow += refreshPeriod;
            if (nextShow < now)
                nextShow = now + refreshPeriod;
        }
        std::this_thread::sleep_until(std::min(nextFrame, settings.once ? nextFrame : nextShow));
    }

    // The last picture: always for --once, and after Ctrl-C or the end of --duration so that
    // the final state is on screen (JSON lines only when none was printed yet).
    const double end = seconds(Clock::now());
    nodes.cookFrame(end);
    const Snapshot last = takeSnapshot(end);
    if (settings.once || !settings.json || !shownAny)
        show(last);
    view.finish();
    if (!last.connected)
    {
        // A node that is not connected heard nothing: the run could not do its job.
        std::cerr << "orv " << settings.command << ": the node is not connected"
                  << (last.error.empty() ? "" : ": " + withErrorMeaning(last.error)) << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace orvtool
