// Command-line options of one subcommand: "--name VALUE", "--name=VALUE" and plain flags,
// with everything else kept as positional arguments in order. "--" ends the options, and a
// lone "-" is positional (it names standard input).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace orvtool
{

struct OptionSpec
{
    std::string name;      // with the dashes: "--port"
    std::string valueName; // "PORT"; empty for a flag that takes no value
    std::string help;
};

class ParsedOptions
{
public:
    bool has(const std::string& name) const { return values_.count(name) != 0; }
    // The option's value, or `fallback` when it was not given (a flag's value is "").
    std::string text(const std::string& name, const std::string& fallback = "") const;
    const std::vector<std::string>& positional() const { return positional_; }

    // Typed reads: `out` keeps `fallback` when the option is absent; false, with a message in
    // `error`, when its text does not read fully as a number of that kind in [min, max].
    bool real(const std::string& name, double fallback, double min, double max, double& out,
              std::string& error) const;
    bool integer(const std::string& name, long long fallback, long long min, long long max,
                 long long& out, std::string& error) const;

    void set(const std::string& name, const std::string& value) { values_[name] = value; }
    void addPositional(const std::string& value) { positional_.push_back(value); }

private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
};

// False, with a message in `error`, for an unknown option or a missing value.
bool parseOptions(const std::vector<OptionSpec>& specs, const std::vector<std::string>& args,
                  ParsedOptions& out, std::string& error);

} // namespace orvtool
