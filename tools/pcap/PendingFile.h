// A file written under a name of its own beside its target and moved over the target in one
// step when it is complete, so that the target is at every moment either the old file, whole,
// or the new one, whole. A run that ends before that (a failure, SIGKILL) leaves the target
// as it was; its data stays in the temporary file, which is named after the target and this
// process ("set.pcap.4711.partial").
#pragma once

#include "platform/Platform.h"

#include <string>

namespace orvtool
{

class PendingFile
{
public:
    explicit PendingFile(const std::string& target);

    const std::string& target() const { return target_; }
    // Where to write meanwhile; in the target's folder, so the move is a rename.
    const std::string& path() const { return path_; }

    // Moves the written file over the target (`replace`), or only where there is no target.
    MoveResult commit(bool replace, std::string& error) const;
    // Removes the written file.
    void discard() const;

private:
    std::string target_;
    std::string path_;
};

} // namespace orvtool
