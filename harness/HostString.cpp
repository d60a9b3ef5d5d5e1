#include "harness/HostString.h"

namespace orvharness
{

void HostString::setString(const char* text) noexcept
{
    try
    {
        text_ = text != nullptr ? text : "";
        wasSet_ = true;
    }
    catch (...)
    {
    }
}

} // namespace orvharness
