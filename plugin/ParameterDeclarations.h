// Parameter declarations every operator repeats: the "ORV DAT" reference of the channel
// operators and a menu from two parallel arrays of item names and labels.
#pragma once

#include "CPlusPlus_Common.h"

#include <cstddef>

namespace orvplugin
{

// The table operator a channel operator reads ("Orvdat", label "ORV DAT").
inline constexpr const char* kOrvDatName = "Orvdat";
inline constexpr const char* kOrvDatLabel = "ORV DAT";

void appendOrvDatParameter(TD::OP_ParameterManager& manager);

// A menu whose default is its first item. The host takes the item texts as non-const arrays.
void appendMenu(TD::OP_ParameterManager& manager, const char* name, const char* label, int items,
                const char* const* itemNames, const char* const* itemLabels);

template <std::size_t Items>
void appendMenu(TD::OP_ParameterManager& manager, const char* name, const char* label,
                const char* const (&itemNames)[Items], const char* const (&itemLabels)[Items])
{
    appendMenu(manager, name, label, static_cast<int>(Items), itemNames, itemLabels);
}

} // namespace orvplugin
