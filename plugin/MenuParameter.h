// A menu parameter as every operator declares and reads it: declared from two parallel arrays
// of item names and labels, its first item the default, and read as the index of its item.
#pragma once

#include "CPlusPlus_Common.h"

#include <cstddef>
#include <cstdint>

namespace orvplugin
{

// A menu whose default is its first item. The host takes the item texts as non-const arrays.
void appendMenu(TD::OP_ParameterManager& manager, const char* name, const char* label, int items,
                const char* const* itemNames, const char* const* itemLabels);

template <std::size_t Items>
void appendMenu(TD::OP_ParameterManager& manager, const char* name, const char* label,
                const char* const (&itemNames)[Items], const char* const (&itemLabels)[Items])
{
    appendMenu(manager, name, label, static_cast<int>(Items), itemNames, itemLabels);
}

// The index of the menu's chosen item, held to 0 .. items - 1.
int32_t evalMenuItem(const TD::OP_Inputs& inputs, const char* name, int items);

template <std::size_t Items>
int32_t evalMenuItem(const TD::OP_Inputs& inputs, const char* name, const char* const (&)[Items])
{
    return evalMenuItem(inputs, name, static_cast<int>(Items));
}

} // namespace orvplugin
