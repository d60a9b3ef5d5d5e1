// orv: see the receiver work without the host application, simulate a DJ, send, decode,
// record and replay datagrams. This file only picks the subcommand and prints help.
#include "cli/StopSignal.h"
#include "commands/Command.h"
#include "live/BundleLocator.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace
{

using orvtool::Command;

std::vector<const Command*> commands()
{
    return {&orvtool::demoCommand(),  &orvtool::monitorCommand(), &orvtool::simulateCommand(),
            &orvtool::sendCommand(),  &orvtool::decodeCommand(),  &orvtool::recordCommand(),
            &orvtool::replayCommand()};
}

void printSummary(const Command& command, std::ostream& out)
{
    std::string name = command.name;
    name.resize(10, ' ');
    out << "  " << name << command.summary << "\n";
}

void printOverview(std::ostream& out)
{
    out << "orv: watch, simulate, send, decode, record and replay ORV datagrams\n\n"
           "Usage: orv COMMAND [OPTIONS...]   (orv COMMAND --help for its options)\n\n"
           "Commands:\n";
    for (const Command* command : commands())
        printSummary(*command, out);
    out << "\n";
    printSummary(orvtool::versionCommand(), out);
    out << "\nStart with `orv demo`: a simulated DJ, the real bundles\n("
        << orvtool::bundleNamesText()
        << ") in a headless host,\nand a live view of the node's health, the table, the 48 "
           "channels, "
           "each deck's\nbeat clock, the deck on air and the event counts.\n"
           "\nHelp on one command: orv help COMMAND, or orv COMMAND --help.\n";
}

void printCommandHelp(const Command& command, std::ostream& out)
{
    out << "Usage: " << command.usage << "\n\n" << command.description << "\n";
    if (!command.options.empty())
    {
        out << "\nOptions:\n";
        for (const orvtool::OptionSpec& option : command.options)
        {
            std::string left = option.name;
            if (!option.valueName.empty())
                left += " " + option.valueName;
            if (left.size() < 24)
                left.resize(24, ' ');
            else
                left += "\n" + std::string(26, ' ');
            out << "  " << left << option.help << "\n";
        }
        out << "  --help                  this text\n";
    }
    if (!command.examples.empty())
        out << "\nExamples:\n" << command.examples;
}

// "demo, monitor, ..., --version": what `orv help TOPIC` takes.
std::string topicList()
{
    std::string list;
    for (const Command* command : commands())
        list += command->name + ", ";
    return list + orvtool::versionCommand().name;
}

// A command by name, --version included.
const Command* findCommand(const std::string& name)
{
    for (const Command* command : commands())
    {
        if (command->name == name)
            return command;
    }
    return name == orvtool::versionCommand().name ? &orvtool::versionCommand() : nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
    {
        printOverview(std::cerr);
        return orvtool::kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help")
    {
        if (args.size() < 2)
        {
            printOverview(std::cout);
            return orvtool::kExitOk;
        }
        if (const Command* command = findCommand(args[1]))
        {
            printCommandHelp(*command, std::cout);
            return orvtool::kExitOk;
        }
        std::cerr << "orv: no help on \"" << args[1] << "\": the topics are " << topicList()
                  << "\n";
        return orvtool::kExitUsage;
    }

    const Command* command = findCommand(args[0]);
    if (command == nullptr)
    {
        std::cerr << "orv: unknown command \"" << args[0] << "\"\n\n";
        printOverview(std::cerr);
        return orvtool::kExitUsage;
    }
    args.erase(args.begin());
    for (const std::string& arg : args)
    {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
        {
            printCommandHelp(*command, std::cout);
            return orvtool::kExitOk;
        }
    }

    orvtool::ParsedOptions options;
    std::string error;
    if (!orvtool::parseOptions(command->options, args, options, error))
    {
        std::cerr << "orv " << command->name << ": " << error << "\n";
        return orvtool::kExitUsage;
    }
    orvtool::installStopHandlers();
    try
    {
        return command->run(options);
    }
    catch (const std::exception& e)
    {
        std::cerr << "orv " << command->name << ": " << e.what() << "\n";
        return orvtool::kExitFailure;
    }
}
