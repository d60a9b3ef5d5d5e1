// The test-only bundles, each loaded once per test program and kept until it ends.
#pragma once

#include "harness/Bundle.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace orvharness::test
{

inline std::unique_ptr<Bundle> mustLoad(const char* path)
{
    std::string error;
    std::unique_ptr<Bundle> bundle = Bundle::load(path, error);
    if (!bundle)
        throw std::runtime_error(error);
    return bundle;
}

inline const Bundle& echoBundle()
{
    static const std::unique_ptr<Bundle> bundle = mustLoad(ECHO_DAT_PATH);
    return *bundle;
}

inline const Bundle& rampBundle()
{
    static const std::unique_ptr<Bundle> bundle = mustLoad(RAMP_CHOP_PATH);
    return *bundle;
}

} // namespace orvharness::test
