#include "live/LiveNodes.h"

#include "support/NodeWiring.h"
#include "view/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace orvtool
{

namespace
{

constexpr const char* kTableNodeName = "orv1";
constexpr const char* kChannelsNodeName = "channels1";
constexpr const char* kBeatNodeName = "beat1";
constexpr const char* kOnAirNodeName = "onair1";
constexpr const char* kEventsNodeName = "events1";
// The On Air node's channel that holds the deck it follows, 1 to 4.
constexpr const char* kFollowedDeckChannel = "deck";

// Sample 0 of each channel of a node; NaN where no cook has written.
std::vector<float> firstSamples(const orvharness::ChannelOutput& output)
{
    std::vector<float> samples;
    for (const std::vector<float>& channel : output.samples)
        samples.push_back(channel.empty() ? std::numeric_limits<float>::quiet_NaN() : channel[0]);
    return samples;
}

} // namespace

std::unique_ptr<LiveNodes> LiveNodes::create(const BundlePaths& bundles, std::string& error)
{
    std::unique_ptr<LiveNodes> nodes(new LiveNodes());
    nodes->bundleFolder_ = bundles.folder;
    std::string why;
    nodes->datBundle_ = orvharness::Bundle::load(bundles.dat, why);
    if (!nodes->datBundle_)
    {
        error = pathNamedOnce(why, bundles.dat);
        return nullptr;
    }
    nodes->channelsBundle_ = orvharness::Bundle::load(bundles.channels, why);
    if (!nodes->channelsBundle_)
    {
        error = pathNamedOnce(why, bundles.channels);
        return nullptr;
    }
    nodes->beatBundle_ = orvharness::Bundle::load(bundles.beat, why);
    if (!nodes->beatBundle_)
    {
        error = pathNamedOnce(why, bundles.beat);
        return nullptr;
    }
    nodes->eventsBundle_ = orvharness::Bundle::load(bundles.events, why);
    if (!nodes->eventsBundle_)
    {
        error = pathNamedOnce(why, bundles.events);
        return nullptr;
    }
    if (nodes->datBundle_->family() != orvharness::Family::Dat ||
        nodes->channelsBundle_->family() != orvharness::Family::Chop ||
        nodes->beatBundle_->family() != orvharness::Family::Chop ||
        nodes->eventsBundle_->family() != orvharness::Family::Chop)
    {
        error = bundles.dat + " must be a table (DAT) bundle, " + bundles.channels + ", " +
                bundles.beat + " and " + bundles.events + " channel (CHOP) bundles";
        return nullptr;
    }

    orvharness::Network& network = nodes->network_;
    nodes->table_ = orvsupport::addNode(network, *nodes->datBundle_, kTableNodeName, {}, why);
    if (nodes->table_ != orvharness::noNode)
        nodes->channels_ = orvsupport::addReader(network, *nodes->channelsBundle_,
                                                 kChannelsNodeName, kTableNodeName, {}, why);
    // Every group of channels on ("Mix" only exists for On Air), the phrases at their defaults.
    const std::vector<orvsupport::Setting> groups = {{"Phrase", 1}, {"Trackend", 1}, {"Cues", 1}};
    std::vector<orvsupport::Setting> allDecks = {{"Deck", "all"}};
    allDecks.insert(allDecks.end(), groups.begin(), groups.end());
    std::vector<orvsupport::Setting> onAir = {{"Deck", "onair"}, {"Mix", 1}};
    onAir.insert(onAir.end(), groups.begin(), groups.end());
    if (nodes->channels_ != orvharness::noNode)
        nodes->beat_ = orvsupport::addReader(network, *nodes->beatBundle_, kBeatNodeName,
                                             kTableNodeName, allDecks, why);
    if (nodes->beat_ != orvharness::noNode)
        nodes->onAir_ = orvsupport::addReader(network, *nodes->beatBundle_, kOnAirNodeName,
                                              kTableNodeName, onAir, why);
    if (nodes->onAir_ != orvharness::noNode)
        nodes->events_ =
            orvsupport::addReader(network, *nodes->eventsBundle_, kEventsNodeName, kTableNodeName,
                                  {{"Output", "count"}, {"Trackchanges", 1}}, why);
    if (nodes->events_ == orvharness::noNode)
    {
        error = "the headless host could not set up its nodes: " + why;
        return nullptr;
    }
    return nodes;
}

LiveNodes::~LiveNodes()
{
    // The network's destructor destroys the nodes (newest first), which stops the receiver;
    // the bundles are unloaded after that, by member order.
}

bool LiveNodes::setNetworkParameters(const NodeSettings& settings, std::string& error)
{
    settings_ = settings;
    std::string why;
    if (!orvsupport::applySettings(network_, table_,
                                   {{"Ip", settings.ip},
                                    {"Port", static_cast<int>(settings.port)},
                                    {"Multicast", settings.multicast ? 1 : 0},
                                    {"Ipfilter", settings.filter}},
                                   why))
    {
        error = "the table node refused a parameter: " + why;
        return false;
    }
    return true;
}

bool LiveNodes::activate(const NodeSettings& settings, std::string& error)
{
    if (!setNetworkParameters(settings, error))
        return false;
    if (!network_.setParameter(table_, "Active", 1))
    {
        error = "the table node has no \"Active\" toggle: " + network_.lastError();
        return false;
    }
    network_.cookFrame();
    return true;
}

bool LiveNodes::connect(const NodeSettings& settings, std::string& error)
{
    if (!setNetworkParameters(settings, error))
        return false;
    std::string why;
    if (!orvsupport::reconnect(network_, table_, why))
    {
        error = "the table node could not reconnect: " + why;
        return false;
    }
    return true;
}

void LiveNodes::disconnect()
{
    network_.pulse(table_, "Reset");
}

void LiveNodes::cookFrame(double seconds)
{
    network_.cookFrame();
    followOnAir(seconds);
    followEvents(seconds);
}

void LiveNodes::followEvents(double seconds)
{
    // The node's channels keep their index once a name is known; new names come at the end.
    const orvharness::ChannelOutput output = network_.channelOutput(events_);
    for (size_t k = 0; k < output.names.size() && k < output.samples.size(); ++k)
    {
        const float count = output.samples[k].empty() ? std::nanf("") : output.samples[k][0];
        if (k == eventCounts_.size() || eventCounts_[k].name != output.names[k])
        {
            eventCounts_.resize(k);
            eventCounts_.push_back(EventCount{output.names[k], count, -1.0});
            continue;
        }
        if (std::isfinite(count) && count != eventCounts_[k].count)
        {
            if (std::isfinite(eventCounts_[k].count))
                eventCounts_[k].changedAt = seconds;
            eventCounts_[k].count = count;
        }
    }
    eventCounts_.resize(std::min(eventCounts_.size(), output.names.size()));
}

void LiveNodes::followOnAir(double seconds)
{
    const orvharness::ChannelOutput output = network_.channelOutput(onAir_);
    for (size_t k = 0; k < output.names.size() && k < output.samples.size(); ++k)
    {
        if (output.names[k] != kFollowedDeckChannel || output.samples[k].empty())
            continue;
        const float deck = output.samples[k][0];
        if (!std::isfinite(deck))
            return;
        if (onAirDeck_ != 0.0f && deck != onAirDeck_)
        {
            ++onAirSwitches_;
            onAirSwitchedAt_ = seconds;
        }
        onAirDeck_ = deck;
        return;
    }
}

std::string LiveNodes::errorText() const
{
    return network_.errorText(table_);
}

bool LiveNodes::isConnected() const
{
    return network_.table(table_).cellsWrittenLastCook() > 0;
}

Snapshot LiveNodes::snapshot(double seconds)
{
    Snapshot snapshot;
    snapshot.seconds = seconds;
    snapshot.frame = network_.frame();
    snapshot.table = network_.table(table_);
    snapshot.connected = snapshot.table.cellsWrittenLastCook() > 0;
    snapshot.error = network_.errorText(table_);
    snapshot.warning = network_.warningText(table_);
    // Before the host's error texts, which would name anything wrong with these reads too.
    snapshot.info.channels = network_.infoChannels(table_);
    snapshot.info.rows = network_.infoTable(table_);
    snapshot.hostError = network_.hostErrorText(table_);
    if (snapshot.hostError.empty())
        snapshot.hostError = network_.hostErrorText(channels_);
    if (snapshot.hostError.empty())
        snapshot.hostError = network_.hostErrorText(beat_);
    if (snapshot.hostError.empty())
        snapshot.hostError = network_.hostErrorText(onAir_);
    if (snapshot.hostError.empty())
        snapshot.hostError = network_.hostErrorText(events_);
    snapshot.node = settings_;
    snapshot.bundleDir = bundleFolder_;
    snapshot.channels = firstSamples(network_.channelOutput(channels_));
    const orvharness::ChannelOutput beat = network_.channelOutput(beat_);
    snapshot.beat = firstSamples(beat);
    snapshot.beatNames = beat.names;
    const orvharness::ChannelOutput onAir = network_.channelOutput(onAir_);
    snapshot.onAir.values = firstSamples(onAir);
    snapshot.onAir.names = onAir.names;
    snapshot.onAir.switches = onAirSwitches_;
    snapshot.onAir.switchedAt = onAirSwitchedAt_;
    snapshot.events = eventCounts_;
    return snapshot;
}

} // namespace orvtool
