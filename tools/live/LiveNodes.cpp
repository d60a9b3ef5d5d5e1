#include "live/LiveNodes.h"

#include <cmath>
#include <limits>

namespace orvtool
{

namespace
{

constexpr const char* kTableNodeName = "orv1";
constexpr const char* kChannelsNodeName = "channels1";

} // namespace

std::unique_ptr<LiveNodes> LiveNodes::create(const BundlePaths& bundles, std::string& error)
{
    std::unique_ptr<LiveNodes> nodes(new LiveNodes());
    nodes->bundleFolder_ = bundles.folder;
    std::string why;
    nodes->datBundle_ = orvharness::Bundle::load(bundles.dat, why);
    if (!nodes->datBundle_)
    {
        error = "cannot load " + bundles.dat + ": " + why;
        return nullptr;
    }
    nodes->channelsBundle_ = orvharness::Bundle::load(bundles.channels, why);
    if (!nodes->channelsBundle_)
    {
        error = "cannot load " + bundles.channels + ": " + why;
        return nullptr;
    }
    if (nodes->datBundle_->family() != orvharness::Family::Dat ||
        nodes->channelsBundle_->family() != orvharness::Family::Chop)
    {
        error = bundles.dat + " must be a table (DAT) bundle and " + bundles.channels +
                " a channel (CHOP) bundle";
        return nullptr;
    }

    orvharness::Network& network = nodes->network_;
    nodes->table_ = network.createNode(*nodes->datBundle_, kTableNodeName);
    if (nodes->table_ == orvharness::noNode)
    {
        error = "the headless host could not create the table node: " + network.lastError();
        return nullptr;
    }
    nodes->channels_ = network.createNode(*nodes->channelsBundle_, kChannelsNodeName);
    if (nodes->channels_ == orvharness::noNode)
    {
        error = "the headless host could not create the channel node: " + network.lastError();
        return nullptr;
    }
    if (!network.setParameter(nodes->channels_, "Orvdat", kTableNodeName))
    {
        error = "the channel node refused its \"Orvdat\" parameter: " + network.lastError();
        return nullptr;
    }
    return nodes;
}

LiveNodes::~LiveNodes()
{
    // The network's destructor destroys the nodes (newest first), which stops the receiver;
    // the bundles are unloaded after that, by member order.
}

bool LiveNodes::connect(const NodeSettings& settings, std::string& error)
{
    settings_ = settings;
    const bool accepted = network_.setParameter(table_, "Ip", settings.ip) &&
                          network_.setParameter(table_, "Port", static_cast<int>(settings.port)) &&
                          network_.setParameter(table_, "Multicast", settings.multicast ? 1 : 0) &&
                          network_.setParameter(table_, "Ipfilter", settings.filter);
    if (!accepted)
    {
        error = "the table node refused a parameter: " + network_.lastError();
        return false;
    }
    network_.cookFrame();
    if (!network_.pulse(table_, "Reconnect"))
    {
        error = "the table node has no \"Reconnect\" pulse: " + network_.lastError();
        return false;
    }
    return true;
}

void LiveNodes::disconnect()
{
    network_.pulse(table_, "Reset");
}

void LiveNodes::cookFrame()
{
    network_.cookFrame();
}

std::string LiveNodes::errorText() const
{
    return network_.errorText(table_);
}

bool LiveNodes::isConnected() const
{
    return network_.table(table_).cellsWrittenLastCook() > 0;
}

Snapshot LiveNodes::snapshot(double seconds) const
{
    Snapshot snapshot;
    snapshot.seconds = seconds;
    snapshot.frame = network_.frame();
    snapshot.table = network_.table(table_);
    snapshot.connected = snapshot.table.cellsWrittenLastCook() > 0;
    snapshot.error = network_.errorText(table_);
    snapshot.warning = network_.warningText(table_);
    snapshot.hostError = network_.hostErrorText(table_);
    if (snapshot.hostError.empty())
        snapshot.hostError = network_.hostErrorText(channels_);
    snapshot.node = settings_;
    snapshot.bundleDir = bundleFolder_;
    for (const std::vector<float>& channel : network_.channels(channels_))
        snapshot.channels.push_back(channel.empty() ? std::numeric_limits<float>::quiet_NaN()
                                                    : channel[0]);
    return snapshot;
}

} // namespace orvtool
