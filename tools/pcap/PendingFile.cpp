#include "pcap/PendingFile.h"

#include <cstdio>

namespace orvtool
{

PendingFile::PendingFile(const std::string& target)
    : target_(target), path_(target + "." + std::to_string(processId()) + ".partial")
{
}

MoveResult PendingFile::commit(bool replace, std::string& error) const
{
    return moveFile(path_, target_, replace, error);
}

void PendingFile::discard() const
{
    std::remove(path_.c_str());
}

} // namespace orvtool
