#include "harness/Network.h"

#include "harness/Cook.h"
#include "harness/Node.h"
#include "harness/ParameterManager.h"

#include <algorithm>

namespace orvharness
{
namespace
{

const std::string rootPath = "/project1/";

bool validNodeName(const std::string& name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(),
                                        [](char c) {
                                            return (c >= 'a' && c <= 'z') ||
                                                   (c >= 'A' && c <= 'Z') ||
                                                   (c >= '0' && c <= '9') || c == '_';
                                        });
}

void setupParameters(Node& node)
{
    ParameterManager manager(node.parameters);
    if (node.dat != nullptr)
        node.callPlugin("setupParameters", [&] { node.dat->setupParameters(&manager, nullptr); });
    else if (node.chop != nullptr)
        node.callPlugin("setupParameters", [&] { node.chop->setupParameters(&manager, nullptr); });
}

void destroyInstance(Node& node)
{
    if (node.dat != nullptr)
        node.callPlugin("DestroyDATInstance", [&] { node.bundle->destroyDat()(node.dat); });
    if (node.chop != nullptr)
        node.callPlugin("DestroyCHOPInstance", [&] { node.bundle->destroyChop()(node.chop); });
    node.dat = nullptr;
    node.chop = nullptr;
}

} // namespace

Network::Network() = default;

Network::~Network()
{
    while (!nodes_.empty())
    {
        destroyInstance(*nodes_.back());
        nodes_.pop_back();
    }
}

Node* Network::nodeById(NodeId id) const
{
    for (const auto& node : nodes_)
        if (node->id == id)
            return node.get();
    return nullptr;
}

Node* Network::resolve(const std::string& reference) const
{
    std::string name = reference;
    if (name.compare(0, rootPath.size(), rootPath) == 0)
        name.erase(0, rootPath.size());
    if (name.empty())
        return nullptr;
    for (const auto& node : nodes_)
        if (node->name == name)
            return node.get();
    return nullptr;
}

NodeId Network::createNode(const Bundle& bundle, const std::string& name)
{
    if (!validNodeName(name))
    {
        lastError_ = "\"" + name + "\" is no node name (letters, digits, underscores)";
        return noNode;
    }
    if (find(name) != noNode)
    {
        lastError_ = "a node named \"" + name + "\" exists already";
        return noNode;
    }

    auto node = std::make_unique<Node>();
    node->id = nextId_++;
    node->kind = bundle.family() == Family::Dat ? NodeKind::PluginDat : NodeKind::PluginChop;
    node->name = name;
    node->path = rootPath + name;
    node->bundle = &bundle;
    node->reportedOpType = bundle.info().opType.value_or("");

    TD::OP_NodeInfo info{};
    info.opPath = node->path.c_str();
    info.opId = node->id;
    info.pluginPath = bundle.path().c_str();
    info.context = nullptr;
    info.cookCount = 0;

    bool created = false;
    if (node->kind == NodeKind::PluginDat)
        created =
            node->callPlugin("CreateDATInstance", [&] { node->dat = bundle.createDat()(&info); }) &&
            node->dat != nullptr;
    else
        created = node->callPlugin("CreateCHOPInstance",
                                   [&] { node->chop = bundle.createChop()(&info); }) &&
                  node->chop != nullptr;
    if (!created)
    {
        lastError_ = "the bundle \"" + bundle.path() + "\" made no instance for \"" + name + "\"";
        if (!node->hostErrorText().empty())
            lastError_ += ": " + node->hostErrorText();
        return noNode;
    }

    setupParameters(*node);
    const NodeId id = node->id;
    nodes_.push_back(std::move(node));
    return id;
}

NodeId Network::createBuiltinTable(const std::string& name,
                                   const std::vector<std::vector<std::string>>& cells)
{
    if (!validNodeName(name))
    {
        lastError_ = "\"" + name + "\" is no node name (letters, digits, underscores)";
        return noNode;
    }
    if (find(name) != noNode)
    {
        lastError_ = "a node named \"" + name + "\" exists already";
        return noNode;
    }
    auto node = std::make_unique<Node>();
    node->id = nextId_++;
    node->kind = NodeKind::BuiltinTable;
    node->name = name;
    node->path = rootPath + name;

    size_t cols = 0;
    for (const auto& row : cells)
        cols = std::max(cols, row.size());
    node->table.resize(static_cast<int32_t>(cells.size()), static_cast<int32_t>(cols));
    for (size_t r = 0; r < cells.size(); ++r)
        for (size_t c = 0; c < cells[r].size(); ++c)
        {
            TableCell* cell = node->table.cellAt(static_cast<int32_t>(r), static_cast<int32_t>(c));
            cell->kind = CellKind::Text;
            cell->text = cells[r][c];
        }

    const NodeId id = node->id;
    nodes_.push_back(std::move(node));
    return id;
}

bool Network::destroyNode(NodeId id)
{
    const auto found = std::find_if(nodes_.begin(), nodes_.end(),
                                    [id](const auto& node) { return node->id == id; });
    if (found == nodes_.end())
    {
        lastError_ = "no node " + std::to_string(id);
        return false;
    }
    std::unique_ptr<Node> node = std::move(*found);
    nodes_.erase(found);
    destroyInstance(*node);

    // The host clears references to a node that is gone: from the next cook on they
    // resolve to nothing, even if a node of the same name appears later.
    const std::string& name = node->name;
    const std::string& path = node->path;
    for (const auto& other : nodes_)
        other->parameters.clearReferences([&](const std::string& text)
                                          { return text == name || text == path; });
    return true;
}

NodeId Network::find(const std::string& name) const
{
    for (const auto& node : nodes_)
        if (node->name == name)
            return node->id;
    return noNode;
}

std::vector<NodeId> Network::nodes() const
{
    std::vector<NodeId> ids;
    for (const auto& node : nodes_)
        ids.push_back(node->id);
    return ids;
}

bool Network::exists(NodeId id) const
{
    return nodeById(id) != nullptr;
}

NodeKind Network::kind(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->kind : NodeKind::PluginDat;
}

std::string Network::name(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->name : std::string();
}

std::string Network::path(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->path : std::string();
}

std::vector<ParameterRecord> Network::parameters(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->parameters.records() : std::vector<ParameterRecord>();
}

bool Network::refreshParameters(NodeId id)
{
    Node* node = nodeById(id);
    if (node == nullptr || node->kind == NodeKind::BuiltinTable)
    {
        lastError_ = "no plug-in node " + std::to_string(id);
        return false;
    }
    ParameterSet previous = std::move(node->parameters);
    node->parameters = ParameterSet();
    setupParameters(*node);
    node->parameters.keepValuesFrom(previous);
    return true;
}

bool Network::setParameter(NodeId id, const std::string& name, const std::string& text)
{
    Node* node = nodeById(id);
    if (node == nullptr)
    {
        lastError_ = "no node " + std::to_string(id);
        return false;
    }
    return node->parameters.setText(name, text, lastError_);
}

bool Network::setParameter(NodeId id, const std::string& name, const char* text)
{
    return setParameter(id, name, std::string(text != nullptr ? text : ""));
}

bool Network::setParameter(NodeId id, const std::string& name, int value)
{
    return setParameterComponent(id, name, 0, value);
}

bool Network::setParameter(NodeId id, const std::string& name, double value)
{
    return setParameterComponent(id, name, 0, value);
}

bool Network::setParameterComponent(NodeId id, const std::string& name, int32_t component,
                                    double value)
{
    Node* node = nodeById(id);
    if (node == nullptr)
    {
        lastError_ = "no node " + std::to_string(id);
        return false;
    }
    return node->parameters.setNumber(name, component, value, lastError_);
}

std::string Network::parameterText(NodeId id, const std::string& name) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->parameters.text(name) : "";
}

double Network::parameterValue(NodeId id, const std::string& name, int32_t component) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->parameters.number(name, component) : 0.0;
}

bool Network::pulse(NodeId id, const std::string& name)
{
    const Node* node = nodeById(id);
    const ParameterRecord* record = node != nullptr ? node->parameters.find(name) : nullptr;
    if (record == nullptr ||
        (record->kind != ParameterKind::Pulse && record->kind != ParameterKind::Momentary))
    {
        lastError_ = "no pulse parameter \"" + name + "\" on node " + std::to_string(id);
        return false;
    }
    return pulseAnyName(id, name);
}

bool Network::pulseAnyName(NodeId id, const std::string& name)
{
    Node* node = nodeById(id);
    if (node == nullptr || node->kind == NodeKind::BuiltinTable)
    {
        lastError_ = "no plug-in node " + std::to_string(id);
        return false;
    }
    // The plug-in gets its own copy of the name, alive for the call.
    const std::string pressed = name;
    if (node->dat != nullptr)
        node->callPlugin("pulsePressed",
                         [&] { node->dat->pulsePressed(pressed.c_str(), nullptr); });
    else
        node->callPlugin("pulsePressed",
                         [&] { node->chop->pulsePressed(pressed.c_str(), nullptr); });
    return true;
}

bool Network::setReportedOpType(NodeId id, const std::string& opType)
{
    Node* node = nodeById(id);
    if (node == nullptr)
    {
        lastError_ = "no node " + std::to_string(id);
        return false;
    }
    node->reportedOpType = opType;
    return true;
}

void Network::cookFrame()
{
    ++frame_;
    for (const auto& node : nodes_)
    {
        if (node->kind == NodeKind::PluginDat)
            cookDat(*this, *node, frame_);
        else if (node->kind == NodeKind::PluginChop)
            cookChop(*this, *node, frame_);
    }
}

Table Network::table(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr && node->kind != NodeKind::PluginChop ? node->table : Table();
}

std::vector<std::vector<float>> Network::channels(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->channels.samples : std::vector<std::vector<float>>();
}

ChannelOutput Network::channelOutput(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->channels : ChannelOutput();
}

std::string Network::errorText(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->errorText : std::string();
}

std::string Network::warningText(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->warningText : std::string();
}

std::string Network::hostErrorText(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->hostErrorText() : std::string();
}

std::vector<InfoChannel> Network::infoChannels(NodeId id)
{
    Node* node = nodeById(id);
    return node != nullptr ? readInfoChannels(*node) : std::vector<InfoChannel>();
}

InfoTable Network::infoTable(NodeId id)
{
    Node* node = nodeById(id);
    return node != nullptr ? readInfoTable(*node) : InfoTable();
}

bool Network::cookEveryFrame(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr && node->cookEveryFrame;
}

int64_t Network::cookCount(NodeId id) const
{
    const Node* node = nodeById(id);
    return node != nullptr ? node->cookCount : 0;
}

} // namespace orvharness
