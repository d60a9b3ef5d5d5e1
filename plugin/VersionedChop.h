// The base of the channel operators: a CHOP whose Info DAT shows the build's version row
// (VersionInfo.h), so that a mixed install shows in the host.
#pragma once

#include "plugin/VersionInfo.h"

#include "CHOP_CPlusPlusBase.h"

namespace orvplugin
{

class VersionedChop : public TD::CHOP_CPlusPlusBase
{
public:
    bool getInfoDATSize(TD::OP_InfoDATSize* size, void*) override { return versionInfoSize(size); }
    void getInfoDATEntries(int32_t index, int32_t nEntries, TD::OP_InfoDATEntries* entries,
                           void*) override
    {
        versionInfoEntries(index, nEntries, entries);
    }
};

} // namespace orvplugin
