#include "cli/Options.h"

#include "cli/ArgumentNumbers.h"

namespace orvtool
{

std::string ParsedOptions::text(const std::string& name, const std::string& fallback) const
{
    const auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

bool ParsedOptions::real(const std::string& name, double fallback, double min, double max,
                         double& out, std::string& error) const
{
    out = fallback;
    if (!has(name))
        return true;
    double value = 0.0;
    if (!parseReal(text(name), value) || value < min || value > max)
    {
        error = name + " wants a number from " + plainNumber(min) + " to " + plainNumber(max) +
                ", not \"" + text(name) + "\"";
        return false;
    }
    out = value;
    return true;
}

bool ParsedOptions::integer(const std::string& name, long long fallback, long long min,
                            long long max, long long& out, std::string& error) const
{
    out = fallback;
    if (!has(name))
        return true;
    long long value = 0;
    if (!parseInteger(text(name), value) || value < min || value > max)
    {
        error = name + " wants a whole number from " + std::to_string(min) + " to " +
                std::to_string(max) + ", not \"" + text(name) + "\"";
        return false;
    }
    out = value;
    return true;
}

namespace
{

const OptionSpec* findSpec(const std::vector<OptionSpec>& specs, const std::string& name)
{
    for (const OptionSpec& spec : specs)
    {
        if (spec.name == name)
            return &spec;
    }
    return nullptr;
}

} // namespace

bool parseOptions(const std::vector<OptionSpec>& specs, const std::vector<std::string>& args,
                  ParsedOptions& out, std::string& error)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-' || arg[1] != '-')
        {
            // Single-dash words are positional too: "-" is standard input, and a value such
            // as "-1" belongs to the command, not to the parser.
            out.addPositional(arg);
            continue;
        }
        if (arg == "--")
        {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionSpec* spec = findSpec(specs, name);
        if (spec == nullptr)
        {
            error = "unknown option " + name + " (see --help)";
            return false;
        }
        if (spec->valueName.empty())
        {
            if (equals != std::string::npos)
            {
                error = name + " takes no value";
                return false;
            }
            out.set(name, "");
            continue;
        }
        if (equals != std::string::npos)
        {
            out.set(name, arg.substr(equals + 1));
        }
        else if (i + 1 < args.size())
        {
            out.set(name, args[++i]);
        }
        else
        {
            error = name + " needs a value (" + spec->valueName + ")";
            return false;
        }
    }
    return true;
}

} // namespace orvtool
