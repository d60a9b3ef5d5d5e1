// orv_beat_sweep: the beat clock's random sweep, seed by seed, for people chasing a failure.
//
//   orv_beat_sweep [--seeds=A-B] [--seed=N] [--verbose]
//
// One line per seed: PASS or the properties that failed with the first failure of each, the
// run's figures, and the case in words. Then a summary: how many seeds pass each property, and
// the worst, 95th percentile and median over seeds of each figure. --verbose prints, for each
// failure (the first three of each property), the frames and arrivals around it. Exits 1 when a
// seed fails a property.
#include "SweepFeed.h"

#include "support/Percentile.h"
#include "support/sim/ProfileText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace
{

using orvsim::roundedText;

constexpr double kAround = 0.15; // seconds of frames shown either side of a failure
constexpr size_t kShownFailures = 3;

struct Options
{
    std::uint64_t first = 1;
    std::uint64_t last = 500;
    bool verbose = false;
};

bool readSeeds(const std::string& text, Options& options)
{
    const size_t dash = text.find('-');
    char* end = nullptr;
    options.first = std::strtoull(text.c_str(), &end, 10);
    if (dash == std::string::npos)
    {
        options.last = options.first;
        return *end == '\0';
    }
    if (end != text.c_str() + dash)
        return false;
    options.last = std::strtoull(text.c_str() + dash + 1, &end, 10);
    return *end == '\0' && options.last >= options.first;
}

// The figures of every seed, by name, for the summary.
using Figures = std::map<std::string, std::vector<double>>;

std::string figure(const std::optional<double>& value, double scale, int decimals)
{
    return value ? roundedText(*value * scale, decimals) : "-";
}

std::string figuresText(const orvsim::ClockFigures& f, Figures& all)
{
    const auto keep = [&all](const std::string& name, const std::optional<double>& value)
    {
        if (value)
            all[name].push_back(*value);
    };
    keep("pulses between beats", f.pulsesBetweenBeats);
    keep("missed boundaries", f.missedBoundaries);
    keep("back-steps", f.backSteps);
    keep("wrong bars", f.wrongBars);
    keep("lock (beats after the oracle)", f.lockBeats);
    keep("p99 |residual| while locked (ms)", f.lockedP99 ? *f.lockedP99 * 1e3 : f.lockedP99);
    keep("worst |residual| while locked (ms)",
         f.lockedWorst ? *f.lockedWorst * 1e3 : f.lockedWorst);
    keep("coarse: worst less half a step (ms)",
         f.coarseWorst ? *f.coarseWorst * 1e3 : f.coarseWorst);
    keep("least delay (ms)", f.leastDelay * 1e3);
    return "between " + std::to_string(f.pulsesBetweenBeats) + ", missed " +
           std::to_string(f.missedBoundaries) + " of " + std::to_string(f.boundariesJudged) +
           ", back " + std::to_string(f.backSteps) + ", bar " + std::to_string(f.wrongBars) +
           ", lock " + figure(f.lockBeats, 1.0, 2) + " beats, locked p99 " +
           figure(f.lockedP99, 1e3, 2) + " ms worst " + figure(f.lockedWorst, 1e3, 2) +
           " ms, coarse " + figure(f.coarseWorst, 1e3, 2) + " ms, garbage " +
           (f.garbageRecovered ? (*f.garbageRecovered ? "back" : "NOT back") : "-") +
           ", least delay " + roundedText(f.leastDelay * 1e3, 2) + " ms";
}

void printAround(const SweepRun& run, double time)
{
    std::printf("      around %.3f s:\n", time);
    const std::vector<orvsim::TrueBoundary> truth =
        run.sweepCase.deck.boundaries(time - kAround - 1.0, time + kAround + 1.0);
    for (const orvsim::TrueBoundary& b : truth)
    {
        if (std::fabs(b.time - time) < kAround + b.beatSeconds)
            std::printf("        true boundary %.4f s, line %lld (bar position %d)\n", b.time,
                        b.line, orvsim::barPosition(b.line) + 1);
    }
    for (const orvsim::Arrival& arrival : run.traffic.arrivals)
    {
        if (std::fabs(arrival.time - time) > kAround)
            continue;
        const orvsim::DeckReport& r = run.traffic.sent[arrival.sequence];
        std::printf("        arrival %.4f s (sent %.4f): Position %.5f Beat %d BPM %.3f Pitch "
                    "%.4f%s\n",
                    arrival.time, r.sendTime, r.position, r.beat, r.bpm, r.pitch,
                    r.garbage ? " (garbage)" : "");
    }
    for (const orvsim::ClockFrame& frame : run.frames)
    {
        if (std::fabs(frame.time - time) > kAround)
            continue;
        const double shown =
            frame.bpm > 0.0 ? frame.time - frame.beatRamp * 60.0 / frame.bpm : frame.time;
        std::printf("        frame %.4f s: ramp %.4f pulse %.0f beat %.0f bpm %.3f locked %.0f "
                    "shows %.4f\n",
                    frame.time, frame.beatRamp, frame.beatPulse, frame.beat, frame.bpm,
                    frame.locked, shown);
    }
}

void printSummary(size_t seeds, const std::map<std::string, std::pair<int, int>>& passes,
                  const Figures& figures)
{
    std::printf("\nsummary over %zu seeds\n", seeds);
    for (const char* name : orvsim::kPropertyNames)
    {
        const auto found = passes.find(name);
        const std::pair<int, int> counts =
            found == passes.end() ? std::pair<int, int>{0, 0} : found->second;
        std::printf("  %-22s passes in %d of %d seeds where it applies\n", name, counts.first,
                    counts.second);
    }
    std::printf("  %-38s %10s %10s %10s %6s\n", "figure", "worst", "p95", "median", "seeds");
    for (const auto& [name, values] : figures)
    {
        // The lock's worst is its latest; a negative one (too early) shows as the least.
        std::printf("  %-38s %10.2f %10.2f %10.2f %6zu\n", name.c_str(),
                    *std::max_element(values.begin(), values.end()),
                    orvsupport::percentile(values, 0.95), orvsupport::median(values),
                    values.size());
        if (name == "lock (beats after the oracle)")
            std::printf("  %-38s %10.2f\n", "  earliest lock (beats after the oracle)",
                        *std::min_element(values.begin(), values.end()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        bool read = true;
        if (argument.rfind("--seeds=", 0) == 0)
            read = readSeeds(argument.substr(8), options);
        else if (argument.rfind("--seed=", 0) == 0)
            read = readSeeds(argument.substr(7), options);
        else if (argument == "--verbose")
            options.verbose = true;
        else
            read = false;
        if (!read)
        {
            std::fprintf(stderr,
                         "orv_beat_sweep: cannot read \"%s\"\n"
                         "usage: orv_beat_sweep [--seeds=A-B] [--seed=N] [--verbose]\n",
                         argument.c_str());
            return 2;
        }
    }

    std::map<std::string, std::pair<int, int>> passes; // property -> (passed, applied)
    Figures figures;
    int failedSeeds = 0;
    for (std::uint64_t seed = options.first; seed <= options.last; ++seed)
    {
        const SweepRun run = runSweepCase(seed);
        std::string failures;
        for (const orvsim::PropertyVerdict& property : run.verdict.properties)
        {
            if (!property.applies)
                continue;
            std::pair<int, int>& count = passes[property.name];
            ++count.second;
            count.first += property.passed ? 1 : 0;
            if (!property.passed)
                failures += (failures.empty() ? "" : "; ") + property.name + ": " + property.reason;
        }
        failedSeeds += failures.empty() ? 0 : 1;
        std::printf("seed %llu %s | %s | %s\n", static_cast<unsigned long long>(seed),
                    failures.empty() ? "PASS" : ("FAIL (" + failures + ")").c_str(),
                    figuresText(run.verdict.figures, figures).c_str(),
                    orvsim::describe(run.sweepCase).c_str());
        if (!options.verbose)
            continue;
        for (const orvsim::PropertyVerdict& property : run.verdict.properties)
        {
            for (size_t k = 0; k < property.failureTimes.size() && k < kShownFailures; ++k)
            {
                std::printf("    %s:\n", property.name.c_str());
                printAround(run, property.failureTimes[k]);
            }
        }
    }
    printSummary(options.last - options.first + 1, passes, figures);
    return failedSeeds == 0 ? 0 : 1;
}
