#include "OrvDat.h"

#include "OrvDatParameters.h"

#include "plugin/PluginExport.h"
#include "plugin/PluginInfo.h"

#include <cstring>
#include <string>

extern "C"
{

    ORV_PLUGIN_EXPORT void FillDATPluginInfo(TD::DAT_PluginInfo* info)
    {
        if (!orvplugin::fillPluginInfo(info, TD::DATCPlusPlusAPIVersion, orvplugin::kOrvDatOpType,
                                       orvdat::kOpLabel))
        {
            return;
        }
        // No wired inputs: the node is fed by the network only.
        info->customOPInfo.minInputs = 0;
        info->customOPInfo.maxInputs = 0;
    }

    ORV_PLUGIN_EXPORT TD::DAT_CPlusPlusBase* CreateDATInstance(const TD::OP_NodeInfo* info)
    {
        try
        {
            return new OrvDat(info);
        }
        catch (...)
        {
            return nullptr;
        }
    }

    ORV_PLUGIN_EXPORT void DestroyDATInstance(TD::DAT_CPlusPlusBase* instance)
    {
        // The destructor stops the receiver (joins its thread, closes its socket) first.
        delete static_cast<OrvDat*>(instance);
    }

} // extern "C"

OrvDat::OrvDat(const TD::OP_NodeInfo* info) : OrvReceiver(info) {}

void OrvDat::getGeneralInfo(TD::DAT_GeneralInfo* info, const TD::OP_Inputs*, void*)
{
    // The received state changes without any parameter changing: cook on every frame.
    info->cookEveryFrame = true;
}

// Both texts are handed over on every call, empty ones too: the host shows nothing for an
// empty text, and a text that the receiver replaced must not linger.
void OrvDat::getWarningString(TD::OP_String* warning, void*)
{
    try
    {
        store.warningText(handedText_);
        // A filter that is no address drops everything for as long as it stands: said on
        // every call, below the receiver's own warning.
        if (!ipFilterWarning_.empty())
        {
            if (!handedText_.empty())
            {
                handedText_ += '\n';
            }
            handedText_ += ipFilterWarning_;
        }
        warning->setString(handedText_.c_str());
    }
    catch (...)
    {
        warning->setString("");
    }
}

void OrvDat::getErrorString(TD::OP_String* error, void*)
{
    try
    {
        store.errorText(handedText_);
        error->setString(handedText_.c_str());
    }
    catch (...)
    {
        error->setString("");
    }
}

void OrvDat::setupParameters(TD::OP_ParameterManager* manager, void*)
{
    try
    {
        orvdat::OrvDatParameters::setup(*manager, ip.c_str(), port);
    }
    catch (...)
    {
        // Parameters the host did not take are simply missing.
    }
}

void OrvDat::pulsePressed(const char* name, void*)
{
    if (name == nullptr)
    {
        return;
    }
    try
    {
        // Exact, case-sensitive names. "Reconnect" restarts a running receiver, so a second
        // press never meets "Already running".
        if (std::strcmp(name, orvdat::kReconnectName) == 0)
        {
            reconnectNow();
        }
        else if (std::strcmp(name, orvdat::kResetName) == 0)
        {
            disconnect();
            // With "Active" on the node connects again at the next cook (Active.cpp).
            connectAtNextCook_ = active_;
        }
    }
    catch (...)
    {
        // The receiver reports its own failures as texts; nothing else may reach the host.
    }
}
