#include "harness/PluginInfo.h"

namespace orvharness
{

const char* toString(Family family)
{
    switch (family)
    {
    case Family::Dat:
        return "DAT";
    case Family::Chop:
        return "CHOP";
    }
    return "?";
}

} // namespace orvharness
