// The parameter every channel operator starts with: "ORV DAT", the table operator whose
// receiver it reads. The host resolves the reference to the referenced node's record; for a
// custom operator that record carries its plug-in instance and its operator type.
//
// Each channel operator's Parameters class derives from this one, so its declarations and
// reads of "ORV DAT" are these.
#pragma once

#include "receiver/OrvReceiver.h"

#include "CPlusPlus_Common.h"

namespace orvplugin
{

inline constexpr const char* kOrvDatName = "Orvdat";
inline constexpr const char* kOrvDatLabel = "ORV DAT";

class OrvDatParameter
{
public:
    // Appends "ORV DAT" (a DAT reference, empty by default).
    static void setupOrvDat(TD::OP_ParameterManager& manager);

    // The receiver behind the table operator "ORV DAT" names, or null when the parameter is
    // empty, names no custom operator, or names one of another type: reading a foreign
    // plug-in's instance as a receiver would read memory of unknown layout. Valid for the call
    // into the plug-in that asked (the host keeps the node until then); never kept.
    static const OrvReceiver* evalOrvDat(const TD::OP_Inputs& inputs);
};

} // namespace orvplugin
