#include "harness/Bundle.h"

#include "harness/PluginInfoReader.h"
#include "harness/SharedLibrary.h"

#include <sys/stat.h>

namespace orvharness
{
namespace
{

// Looks up an entry point by its undecorated name; null when the bundle does not export it.
void* findSymbol(void* handle, const char* name)
{
    return loader::symbol(handle, name);
}

template <class Function> Function asFunction(void* symbol)
{
    return reinterpret_cast<Function>(symbol);
}

} // namespace

std::unique_ptr<Bundle> Bundle::load(const std::string& path, std::string& error)
{
    struct stat status
    {
    };
    if (path.empty() || stat(path.c_str(), &status) != 0)
    {
        error = "no bundle file at \"" + path + "\"";
        return nullptr;
    }
    // The host opens the file it was given, never one found on the loader's search path.
    std::string loaderError;
    void* handle = loader::open(path, loaderError);
    if (handle == nullptr)
    {
        error = "cannot load \"" + path + "\": " + loaderError;
        return nullptr;
    }

    std::unique_ptr<Bundle> bundle(new Bundle());
    bundle->path_ = path;
    bundle->handle_ = handle;

    void* fillDat = findSymbol(handle, "FillDATPluginInfo");
    void* fillChop = findSymbol(handle, "FillCHOPPluginInfo");
    if (fillDat != nullptr && fillChop != nullptr)
    {
        error = "\"" + path + "\" exports both FillDATPluginInfo and FillCHOPPluginInfo";
        return nullptr;
    }
    if (fillDat == nullptr && fillChop == nullptr)
    {
        error = "\"" + path + "\" exports neither FillDATPluginInfo nor FillCHOPPluginInfo";
        return nullptr;
    }

    const bool isDat = fillDat != nullptr;
    const char* createName = isDat ? "CreateDATInstance" : "CreateCHOPInstance";
    const char* destroyName = isDat ? "DestroyDATInstance" : "DestroyCHOPInstance";
    void* create = findSymbol(handle, createName);
    void* destroy = findSymbol(handle, destroyName);
    if (create == nullptr || destroy == nullptr)
    {
        error =
            "\"" + path + "\" does not export " + (create == nullptr ? createName : destroyName);
        return nullptr;
    }

    std::string infoError;
    bool infoRead = false;
    if (isDat)
    {
        bundle->createDat_ = asFunction<CreateDat>(create);
        bundle->destroyDat_ = asFunction<DestroyDat>(destroy);
        infoRead =
            readDatPluginInfo(asFunction<FILLDATPLUGININFO>(fillDat), bundle->info_, infoError);
    }
    else
    {
        bundle->createChop_ = asFunction<CreateChop>(create);
        bundle->destroyChop_ = asFunction<DestroyChop>(destroy);
        infoRead =
            readChopPluginInfo(asFunction<FILLCHOPPLUGININFO>(fillChop), bundle->info_, infoError);
    }
    if (!infoRead)
    {
        error = "\"" + path + "\": " + infoError;
        return nullptr;
    }
    return bundle;
}

Bundle::~Bundle()
{
    if (handle_ != nullptr)
        loader::close(handle_);
}

} // namespace orvharness
