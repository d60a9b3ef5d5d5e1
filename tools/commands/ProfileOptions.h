// The options of `orv simulate` and `orv demo` that choose the simulated DJ's network and
// sender profiles by name, with a few overrides of the network's figures.
#pragma once

#include "cli/Options.h"
#include "sim/Simulator.h"

#include <string>
#include <vector>

namespace orvtool
{

// `options` followed by --network, --sender, --delay, --loss and --duplicate (each command
// lists --rate itself).
std::vector<OptionSpec> withProfileOptions(std::vector<OptionSpec> options);

// Reads those options and --rate (whose default is the sender profile's rate) into `settings`.
// False, with a message in `error`, for an unknown profile name or a value out of range.
bool readProfileOptions(const ParsedOptions& options, orvsim::SimulatorSettings& settings,
                        std::string& error);

// "" with both profiles at their defaults; otherwise a line that says what they do.
std::string profileSummary(const orvsim::SimulatorSettings& settings);

} // namespace orvtool
