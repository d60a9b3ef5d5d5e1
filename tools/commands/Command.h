// One subcommand of `orv`: its name, its help and its entry point. main.cpp holds the list
// and prints the help; each command's own file fills in its record.
#pragma once

#include "cli/Options.h"

#include <string>
#include <vector>

namespace orvtool
{

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // the command ran and could not do its job
inline constexpr int kExitUsage = 2;   // wrong arguments

struct Command
{
    std::string name;
    std::string summary;     // one line, for `orv --help`
    std::string usage;       // "orv send TYPE KEY=VALUE..."
    std::string description; // what it does, a few lines
    std::vector<OptionSpec> options;
    std::string examples; // one example a line
    int (*run)(const ParsedOptions& options) = nullptr;
};

const Command& demoCommand();
const Command& monitorCommand();
const Command& simulateCommand();
const Command& sendCommand();
const Command& decodeCommand();
const Command& recordCommand();
const Command& replayCommand();
// `orv --version`: reached by its option name, not listed among the commands.
const Command& versionCommand();

} // namespace orvtool
