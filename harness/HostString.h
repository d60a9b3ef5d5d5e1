// The host's side of TD::OP_String: the text a plug-in hands over with setString, copied
// during the call. An OP_String is owned by the host and lives at least until the call that
// passed it returns.
#pragma once

#include "CPlusPlus_Common.h"

#include <string>

namespace orvharness
{

class HostString final : public TD::OP_String
{
public:
    HostString() = default;
    ~HostString() override = default;

    // A null text is taken as "". Never throws into the plug-in: if the copy cannot be made,
    // the text is left as it was.
    void setString(const char* text) noexcept override;

    const std::string& text() const { return text_; }
    bool wasSet() const { return wasSet_; }

private:
    std::string text_;
    bool wasSet_ = false;
};

} // namespace orvharness
