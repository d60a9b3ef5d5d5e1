#include "ThreadStats.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

namespace orvbench
{

std::int64_t threadCpuNs(pthread_t thread)
{
    clockid_t clock;
    timespec now{};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &now) != 0)
    {
        return -1;
    }
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::int64_t ownCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::set<int> threadIds()
{
    std::set<int> ids;
    if (DIR* tasks = opendir("/proc/self/task"))
    {
        while (const dirent* entry = readdir(tasks))
        {
            if (entry->d_name[0] != '.')
            {
                ids.insert(std::atoi(entry->d_name));
            }
        }
        closedir(tasks);
    }
    return ids;
}

std::int64_t contextSwitches(int threadId)
{
    std::ifstream status("/proc/self/task/" + std::to_string(threadId) + "/status");
    if (!status)
    {
        return -1;
    }
    std::int64_t total = 0;
    std::string line;
    while (std::getline(status, line))
    {
        if (line.find("ctxt_switches:") != std::string::npos)
        {
            total += std::atoll(line.substr(line.find(':') + 1).c_str());
        }
    }
    return total;
}

std::int64_t udpDrops(std::uint16_t port)
{
    // Lines of /proc/net/udp: "sl local_address rem_address st ... drops", addresses as
    // hexadecimal "0100007F:0E42" (the address in host order on little-endian machines).
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line); // the header
    while (std::getline(table, line))
    {
        std::istringstream fields(line);
        std::string slot, address;
        fields >> slot >> address;
        if (address != local)
        {
            continue;
        }
        std::string field, last;
        while (fields >> field)
        {
            last = field;
        }
        return std::atoll(last.c_str());
    }
    return -1;
}

} // namespace orvbench
