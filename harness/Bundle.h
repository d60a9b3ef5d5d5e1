// A plug-in bundle loaded the way the host loads one: the dynamic loader opens the file
// (RTLD_NOW | RTLD_LOCAL, so every undefined symbol fails the load and nothing leaks into
// other bundles), the three entry points are looked up by their undecorated names, and
// Fill...PluginInfo is called once, with the host's supported interface range filled in.
//
// Thread rules: like the host, use a Bundle from one thread only.
// Lifetime: a Bundle must outlive every node created from it (Network::createNode), because
// unloading it unmaps the code of those nodes' instances.
#pragma once

#include "harness/PluginInfo.h"

#include <memory>
#include <string>

namespace TD
{
class DAT_CPlusPlusBase;
class CHOP_CPlusPlusBase;
class OP_NodeInfo;
} // namespace TD

namespace orvharness
{

class Bundle
{
public:
    // Loads the bundle file at `path`. On failure returns null and puts the reason in `error`
    // (file missing or not loadable, an entry point missing, both families exported, an
    // interface version the host does not support, an exception out of Fill...PluginInfo).
    static std::unique_ptr<Bundle> load(const std::string& path, std::string& error);

    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    const PluginInfo& info() const { return info_; }
    Family family() const { return info_.family; }
    const std::string& path() const { return path_; }

    // The host side of the entry points; the Network calls these. Each one of the bundle's
    // family only; the others are null.
    using CreateDat = TD::DAT_CPlusPlusBase* (*)(const TD::OP_NodeInfo*);
    using DestroyDat = void (*)(TD::DAT_CPlusPlusBase*);
    using CreateChop = TD::CHOP_CPlusPlusBase* (*)(const TD::OP_NodeInfo*);
    using DestroyChop = void (*)(TD::CHOP_CPlusPlusBase*);
    CreateDat createDat() const { return createDat_; }
    DestroyDat destroyDat() const { return destroyDat_; }
    CreateChop createChop() const { return createChop_; }
    DestroyChop destroyChop() const { return destroyChop_; }

private:
    Bundle() = default;

    std::string path_;
    void* handle_ = nullptr;
    PluginInfo info_;
    CreateDat createDat_ = nullptr;
    DestroyDat destroyDat_ = nullptr;
    CreateChop createChop_ = nullptr;
    DestroyChop destroyChop_ = nullptr;
};

} // namespace orvharness
