// What `orv monitor` says when nothing arrives: whether the table still holds only what a
// new node holds, and the lines that help find out why (the machine's IPv4 interfaces, what
// the node is bound to, the usual causes).
#pragma once

#include "net/Interfaces.h"
#include "view/Snapshot.h"

#include <string>
#include <vector>

namespace orvtool
{

// True while no datagram has changed anything a node shows: 18 rows (no event), empty
// texts and zero numbers in every deck column, and no error or warning text other than the
// node's connect and receive failures (which need no datagram).
bool nothingReceived(const Snapshot& snapshot);

// True when the two snapshots show the same table cells, channels and texts.
bool sameContent(const Snapshot& a, const Snapshot& b);

// A node's error text with what its error number means here, when it ends in one:
// "Error Creating Socket: 98 (Address already in use)".
std::string withErrorMeaning(const std::string& nodeText);

std::vector<std::string> silenceDiagnostics(const Snapshot& snapshot, double silentSeconds,
                                            const std::vector<orv::udp::Ipv4Interface>& interfaces);

} // namespace orvtool
