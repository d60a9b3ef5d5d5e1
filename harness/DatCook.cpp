#include "harness/Cook.h"

#include "harness/CookTexts.h"
#include "harness/Node.h"
#include "harness/NodeInputs.h"
#include "harness/TableOutput.h"

namespace orvharness
{

void cookDat(const Network& network, Node& node, int64_t frame)
{
    TD::DAT_CPlusPlusBase* instance = node.dat;
    NodeInputs inputs(network, node, frame);
    node.table.startCook();
    ++node.cookCount;

    TD::DAT_GeneralInfo general{};
    if (node.callPlugin("getGeneralInfo",
                        [&] { instance->getGeneralInfo(&general, &inputs, nullptr); }))
        node.cookEveryFrame = general.cookEveryFrame;

    TableOutput output(node);
    node.callPlugin("execute", [&] { instance->execute(&output, &inputs, nullptr); });

    collectCookTexts(node, instance);
}

} // namespace orvharness
