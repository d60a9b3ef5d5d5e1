// Each bundle loads alone, with every symbol resolved at load time, and exposes its three
// entry points. ctest runs each test in a process of its own, so "alone" holds.
#include "harness/SharedLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

void expectLoadsAlone(const char* path, const char* const (&entryPoints)[3])
{
    std::string error;
    void* handle = orvharness::loader::open(path, error);
    ASSERT_NE(handle, nullptr) << error;
    for (const char* name : entryPoints)
    {
        EXPECT_NE(orvharness::loader::symbol(handle, name), nullptr) << name;
    }
    orvharness::loader::close(handle);
}

TEST(BundleLoadTest, TableOperatorLoadsAloneWithEverySymbolResolved)
{
    expectLoadsAlone(ORV_DAT_BUNDLE,
                     {"FillDATPluginInfo", "CreateDATInstance", "DestroyDATInstance"});
}

TEST(BundleLoadTest, ChannelOperatorsLoadAloneWithEverySymbolResolved)
{
    for (const char* path : {ORV_CHOP_BUNDLE, ORV_BEAT_BUNDLE, ORV_EVENTS_BUNDLE})
    {
        SCOPED_TRACE(path);
        expectLoadsAlone(path, {"FillCHOPPluginInfo", "CreateCHOPInstance", "DestroyCHOPInstance"});
    }
}

} // namespace
