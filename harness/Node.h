// One node of the harness network: a plug-in instance (or a built-in table) with what the
// host keeps for it between frames. Internal to the harness.
#pragma once

#include "harness/ChannelOutput.h"
#include "harness/Network.h"
#include "harness/ParameterSet.h"
#include "harness/Table.h"

#include "CHOP_CPlusPlusBase.h"
#include "DAT_CPlusPlusBase.h"

#include <cstdint>
#include <exception>
#include <string>

namespace orvharness
{

class Node
{
public:
    NodeId id = noNode;
    NodeKind kind = NodeKind::PluginDat;
    std::string name;
    std::string path;
    const Bundle* bundle = nullptr; // null for a built-in table
    TD::DAT_CPlusPlusBase* dat = nullptr;
    TD::CHOP_CPlusPlusBase* chop = nullptr;
    // The operator type that customOP blocks pointing at this node carry.
    std::string reportedOpType;

    ParameterSet parameters;
    Table table;
    ChannelOutput channels;

    std::string errorText;
    std::string warningText;
    bool cookEveryFrame = false;
    int64_t cookCount = 0;

    const std::string& hostErrorText() const { return hostErrorText_; }
    // Adds one line to what the host found wrong with the node (the first 64 lines are kept).
    void reportHostError(const std::string& line) noexcept;

    // Runs one call into the plug-in; an exception that leaves it is reported, not passed on.
    template <class Call> bool callPlugin(const char* operation, Call&& call) noexcept
    {
        try
        {
            call();
            return true;
        }
        catch (const std::exception& e)
        {
            reportHostError(std::string("an exception left ") + operation + ": " + e.what());
        }
        catch (...)
        {
            reportHostError(std::string("an exception left ") + operation);
        }
        return false;
    }

private:
    std::string hostErrorText_;
    int32_t hostErrorLines_ = 0;
};

} // namespace orvharness
