// "Active": while it is on, the node keeps itself connected, so a saved project listens again
// when it is opened, without a "Reconnect".
//
// - Turned on: the next cook connects with the current "IP", "Port" and "Multicast" (unless the
//   node is connected with exactly those already).
// - A change of any of the three while on: the next cook connects again with the new ones.
// - A connect that failed (port taken, address not on this machine, ...) is tried again every
//   kRetryInterval, not on every frame; its error text stays shown meanwhile.
// - Turned off: disconnects at once, like "Reset".
// - "Reconnect" works as without "Active". "Reset" disconnects as always; with "Active" on the
//   next cook connects again, so there it restarts the node. To stop a node, turn "Active" off.
//
// Every step runs on the cook thread and never waits: connect and disconnect return at once.
#include "OrvDat.h"

namespace
{
constexpr std::chrono::seconds kRetryInterval{2};
}

void OrvDat::keepActive(bool active)
{
    if (!active)
    {
        if (active_)
        {
            disconnect();
        }
        active_ = false;
        connectAtNextCook_ = false;
        return;
    }
    const bool settingsChanged =
        ip != lastConnect_.ip || port != lastConnect_.port || multicast != lastConnect_.multicast;
    const bool turnedOn = !active_;
    active_ = true;
    if (connectAtNextCook_ || settingsChanged ||
        ((turnedOn || Clock::now() - lastConnectTime_ >= kRetryInterval) && !isConnected()))
    {
        reconnectNow();
    }
}

void OrvDat::reconnectNow()
{
    disconnect();
    connect();
    lastConnect_.ip = ip;
    lastConnect_.port = port;
    lastConnect_.multicast = multicast;
    lastConnectTime_ = Clock::now();
    connectAtNextCook_ = false;
}
