#include "plugin/MenuParameter.h"

#include <algorithm>
#include <vector>

namespace orvplugin
{

void appendMenu(TD::OP_ParameterManager& manager, const char* name, const char* label, int items,
                const char* const* itemNames, const char* const* itemLabels)
{
    TD::OP_StringParameter menu(name);
    menu.label = label;
    menu.defaultValue = itemNames[0];
    std::vector<const char*> names(itemNames, itemNames + items);
    std::vector<const char*> labels(itemLabels, itemLabels + items);
    manager.appendMenu(menu, items, names.data(), labels.data());
}

int32_t evalMenuItem(const TD::OP_Inputs& inputs, const char* name, int items)
{
    return std::clamp(inputs.getParInt(name, 0), 0, items - 1);
}

} // namespace orvplugin
