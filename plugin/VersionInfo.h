// The row every bundle's Info DAT shows: ("version", the build's version text). The channel
// operators read the table operator's object directly, so all bundles must come from one
// build; this row lets the host and `orv --version` show a mixed install.
#pragma once

#include "OrvVersion.h"

#include "CPlusPlus_Common.h"

#include <cstdint>

namespace orvplugin
{

inline constexpr const char* kVersionRowName = "version";

// Fills one Info DAT row of (name, value), when the host asked for at least two cells.
inline void fillInfoRow(TD::OP_InfoDATEntries* entries, int32_t nEntries, const char* name,
                        const char* value)
{
    if (entries == nullptr || nEntries < 2)
    {
        return;
    }
    entries->values[0]->setString(name);
    entries->values[1]->setString(value);
}

// The Info DAT of an operator that shows nothing but the version: one row of two cells.
inline bool versionInfoSize(TD::OP_InfoDATSize* size)
{
    size->rows = 1;
    size->cols = 2;
    size->byColumn = false;
    return true;
}

inline void versionInfoEntries(int32_t index, int32_t nEntries, TD::OP_InfoDATEntries* entries)
{
    if (index == 0)
    {
        fillInfoRow(entries, nEntries, kVersionRowName, orvversion::kVersionText);
    }
}

} // namespace orvplugin
