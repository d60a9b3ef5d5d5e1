// Each bundle loads alone, with every symbol resolved at load time, and exposes its three
// entry points. ctest runs each test in a process of its own, so "alone" holds.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>

namespace
{

void expectLoadsAlone(const char* path, const char* const (&entryPoints)[3])
{
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    for (const char* name : entryPoints)
    {
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    }
    EXPECT_EQ(dlclose(handle), 0) << dlerror();
}

TEST(BundleLoadTest, TableOperatorLoadsAloneWithEverySymbolResolved)
{
    expectLoadsAlone(ORV_DAT_BUNDLE,
                     {"FillDATPluginInfo", "CreateDATInstance", "DestroyDATInstance"});
}

TEST(BundleLoadTest, ChannelOperatorLoadsAloneWithEverySymbolResolved)
{
    expectLoadsAlone(ORV_CHOP_BUNDLE,
                     {"FillCHOPPluginInfo", "CreateCHOPInstance", "DestroyCHOPInstance"});
}

} // namespace
