// Who holds a UDP port, for messages such as "port 3650 is taken (by orv, process 4711)".
// Linux lists its sockets in /proc/net/udp and udp6 with their inode numbers, and each
// process's open sockets in /proc/PID/fd as links to "socket:[INODE]". Only the processes
// this user may look into are found; elsewhere (macOS) nothing is.
#include "platform/Platform.h"

#ifdef __linux__
#include "platform/WholeFile.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <sstream>
#endif

namespace orvtool
{

#ifdef __linux__

namespace
{

// The inodes of the sockets bound to local port `port` in one /proc/net table.
void socketInodes(const char* table, uint16_t port, std::set<std::string>& inodes)
{
    std::string text;
    std::string error;
    if (!readWholeFile(table, text, error))
        return;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line); // the column names
    while (std::getline(in, line))
    {
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
              timeout >> inode))
            continue;
        const size_t colon = local.rfind(':');
        if (colon == std::string::npos)
            continue;
        if (std::strtoul(local.c_str() + colon + 1, nullptr, 16) == port && inode != "0")
            inodes.insert("socket:[" + inode + "]");
    }
}

// Whether process `pid` has one of `sockets` open.
bool holdsSocket(const std::string& pid, const std::set<std::string>& sockets)
{
    const std::string folder = "/proc/" + pid + "/fd";
    DIR* fds = ::opendir(folder.c_str());
    if (fds == nullptr)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(fds))
    {
        char target[64] = {};
        const std::string link = folder + "/" + entry->d_name;
        const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
        if (length > 0 && sockets.count(std::string(target, static_cast<size_t>(length))) != 0)
        {
            found = true;
            break;
        }
    }
    ::closedir(fds);
    return found;
}

} // namespace

std::string udpPortOwner(uint16_t port)
{
    std::set<std::string> sockets;
    socketInodes("/proc/net/udp", port, sockets);
    socketInodes("/proc/net/udp6", port, sockets);
    if (sockets.empty())
        return "";
    DIR* processes = ::opendir("/proc");
    if (processes == nullptr)
        return "";
    std::string owner;
    while (const dirent* entry = ::readdir(processes))
    {
        const std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos || !holdsSocket(pid, sockets))
            continue;
        std::string comm;
        std::string error;
        readWholeFile("/proc/" + pid + "/comm", comm, error); // left empty when it cannot
        const std::string name = comm.substr(0, comm.find('\n'));
        owner = (name.empty() ? "a program" : name) + ", process " + pid;
        break;
    }
    ::closedir(processes);
    return owner;
}

#else

std::string udpPortOwner(uint16_t)
{
    return "";
}

#endif

} // namespace orvtool
