#include "plugin/ParameterDeclarations.h"

#include <vector>

namespace orvplugin
{

void appendOrvDatParameter(TD::OP_ParameterManager& manager)
{
    TD::OP_StringParameter orvDat(kOrvDatName);
    orvDat.label = kOrvDatLabel;
    orvDat.defaultValue = "";
    manager.appendDAT(orvDat);
}

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

} // namespace orvplugin
