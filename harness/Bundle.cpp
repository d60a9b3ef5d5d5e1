#include "harness/Bundle.h"

#include "harness/PluginInfoReader.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace orvharness
{
namespace
{

std::string loaderError()
{
    const char* text = dlerror();
    return text != nullptr ? text : "unknown loader error";
}

// Looks up an entry point by its undecorated name; null when the bundle does not export it.
void* findSymbol(void* handle, const char* name)
{
    dlerror();
    return dlsym(handle, name);
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
    // A bare file name would make the loader search its library path; the host opens the
    // file it was given.
    const std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
    {
        error = "cannot load \"" + path + "\": " + loaderError();
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
        dlclose(handle_);
}

} // namespace orvharness
