#include "OrvEventsParameters.h"

#include "plugin/MenuParameter.h"

#include <iterator>

namespace orvevents
{

static_assert(static_cast<int>(Output::Count) == static_cast<int>(std::size(kOutputItemNames)) - 1,
              "one Output for each item of the menu");

void OrvEventsParameters::setup(TD::OP_ParameterManager& manager)
{
    setupOrvDat(manager);
    orvplugin::appendMenu(manager, kOutputName, kOutputLabel, kOutputItemNames, kOutputItemLabels);
    TD::OP_NumericParameter trackChanges(kTrackChangesName);
    trackChanges.label = kTrackChangesLabel;
    trackChanges.defaultValues[0] = 0;
    manager.appendToggle(trackChanges);
}

Output OrvEventsParameters::evalOutput(const TD::OP_Inputs& inputs)
{
    return static_cast<Output>(orvplugin::evalMenuItem(inputs, kOutputName, kOutputItemNames));
}

bool OrvEventsParameters::evalTrackChanges(const TD::OP_Inputs& inputs)
{
    return inputs.getParInt(kTrackChangesName, 0) != 0;
}

} // namespace orvevents
