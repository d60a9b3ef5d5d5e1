#include "pcap/FrameSkips.h"

#include <utility>

namespace orvtool
{

bool FrameSkips::take(FrameResult result)
{
    switch (result)
    {
    case FrameResult::Udp:
        return true;
    case FrameResult::NotIpv4:
    case FrameResult::NotUdp:
        ++notUdp_;
        break;
    case FrameResult::Fragment:
        ++fragments_;
        break;
    case FrameResult::Truncated:
        ++truncated_;
        break;
    case FrameResult::Malformed:
        ++malformed_;
        break;
    }
    return false;
}

std::string FrameSkips::text() const
{
    const std::pair<long long, const char*> parts[] = {
        {otherPort_, "to other ports"}, {notUdp_, "not IPv4 UDP"},
        {fragments_, "IP fragments"},   {truncated_, "cut short by the capture's snap length"},
        {malformed_, "malformed"},
    };
    std::string text;
    for (const auto& part : parts)
    {
        if (part.first != 0)
            text += (text.empty() ? "skipped: " : ", ") + std::to_string(part.first) + " " +
                    part.second;
    }
    return text;
}

} // namespace orvtool
