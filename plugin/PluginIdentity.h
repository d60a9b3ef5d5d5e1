// What every ORV bundle says about itself, and the one operator type the others recognise:
// the table operator's, whose instance is the receiver the channel operators read.
#pragma once

namespace orvplugin
{

inline constexpr const char* kAuthorName = "Quillmore";
inline constexpr const char* kAuthorEmail = "orv@quillmore.dev";

// The table operator's type name: a reference whose custom operator block carries this type
// leads to an OrvReceiver.
inline constexpr const char* kOrvDatOpType = "Orv";

} // namespace orvplugin
