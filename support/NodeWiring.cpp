#include "support/NodeWiring.h"

namespace orvsupport
{

bool applySettings(orvharness::Network& network, orvharness::NodeId node,
                   const std::vector<Setting>& settings, std::string& error)
{
    for (const Setting& setting : settings)
    {
        const bool accepted = std::visit(
            [&](const auto& value) { return network.setParameter(node, setting.name, value); },
            setting.value);
        if (!accepted)
        {
            error = "node \"" + network.name(node) + "\": " + network.lastError();
            return false;
        }
    }
    return true;
}

orvharness::NodeId addNode(orvharness::Network& network, const orvharness::Bundle& bundle,
                           const std::string& name, const std::vector<Setting>& settings,
                           std::string& error)
{
    const orvharness::NodeId node = network.createNode(bundle, name);
    if (node == orvharness::noNode)
    {
        error = "cannot create node \"" + name + "\": " + network.lastError();
        return orvharness::noNode;
    }
    if (!applySettings(network, node, settings, error))
    {
        network.destroyNode(node);
        return orvharness::noNode;
    }
    return node;
}

orvharness::NodeId addReader(orvharness::Network& network, const orvharness::Bundle& bundle,
                             const std::string& name, const std::string& orvName,
                             const std::vector<Setting>& settings, std::string& error)
{
    std::vector<Setting> all{{"Orvdat", orvName}};
    all.insert(all.end(), settings.begin(), settings.end());
    return addNode(network, bundle, name, all, error);
}

bool reconnect(orvharness::Network& network, orvharness::NodeId orv, std::string& error)
{
    network.cookFrame();
    if (!network.pulse(orv, "Reconnect"))
    {
        error = "node \"" + network.name(orv) + "\": " + network.lastError();
        return false;
    }
    return true;
}

} // namespace orvsupport
