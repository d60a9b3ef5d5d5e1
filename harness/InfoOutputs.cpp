#include "harness/InfoOutputs.h"

#include "harness/HostString.h"
#include "harness/Node.h"

#include <cstdint>
#include <memory>

namespace orvharness
{
namespace
{

template <class Instance> std::vector<InfoChannel> channelsOf(Node& node, Instance* instance)
{
    int32_t count = 0;
    node.callPlugin("getNumInfoCHOPChans", [&] { count = instance->getNumInfoCHOPChans(nullptr); });
    if (count < 0 || count > maxInfoEntries)
    {
        node.reportHostError("getNumInfoCHOPChans answered " + std::to_string(count));
        return {};
    }
    std::vector<InfoChannel> channels;
    for (int32_t index = 0; index < count; ++index)
    {
        HostString name;
        TD::OP_InfoCHOPChan chan{};
        chan.name = &name;
        node.callPlugin("getInfoCHOPChan",
                        [&] { instance->getInfoCHOPChan(index, &chan, nullptr); });
        channels.push_back({name.text(), chan.value});
    }
    return channels;
}

template <class Instance> InfoTable tableOf(Node& node, Instance* instance)
{
    TD::OP_InfoDATSize size{};
    bool answered = false;
    node.callPlugin("getInfoDATSize", [&] { answered = instance->getInfoDATSize(&size, nullptr); });
    if (!answered)
        return {};
    if (size.rows < 0 || size.cols < 0 ||
        static_cast<int64_t>(size.rows) * size.cols > maxInfoEntries)
    {
        node.reportHostError("getInfoDATSize answered " + std::to_string(size.rows) + " by " +
                             std::to_string(size.cols));
        return {};
    }
    InfoTable table(static_cast<std::size_t>(size.rows),
                    std::vector<std::string>(static_cast<std::size_t>(size.cols)));
    // One call per row, or per column: `index` counts those, `entries` the cells in each.
    const int32_t calls = size.byColumn ? size.cols : size.rows;
    const int32_t cells = size.byColumn ? size.rows : size.cols;
    for (int32_t index = 0; index < calls; ++index)
    {
        std::vector<HostString> strings(static_cast<std::size_t>(cells));
        std::vector<TD::OP_String*> values;
        for (HostString& string : strings)
            values.push_back(&string);
        TD::OP_InfoDATEntries entries{};
        entries.values = values.data();
        node.callPlugin("getInfoDATEntries",
                        [&] { instance->getInfoDATEntries(index, cells, &entries, nullptr); });
        for (int32_t cell = 0; cell < cells; ++cell)
        {
            const std::size_t row = static_cast<std::size_t>(size.byColumn ? cell : index);
            const std::size_t col = static_cast<std::size_t>(size.byColumn ? index : cell);
            table[row][col] = strings[static_cast<std::size_t>(cell)].text();
        }
    }
    return table;
}

} // namespace

std::vector<InfoChannel> readInfoChannels(Node& node)
{
    if (node.dat != nullptr)
        return channelsOf(node, node.dat);
    if (node.chop != nullptr)
        return channelsOf(node, node.chop);
    return {};
}

InfoTable readInfoTable(Node& node)
{
    if (node.dat != nullptr)
        return tableOf(node, node.dat);
    if (node.chop != nullptr)
        return tableOf(node, node.chop);
    return {};
}

} // namespace orvharness
