#include "support/ProcessCounts.h"

#ifdef __linux__
#include <dirent.h>
#endif

namespace orvsupport
{
namespace
{

// The entries of a folder, "." and ".." left out.
int countEntries(const char* folder)
{
#ifdef __linux__
    DIR* dir = opendir(folder);
    if (dir == nullptr)
    {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = readdir(dir))
    {
        if (entry->d_name[0] != '.')
        {
            ++count;
        }
    }
    closedir(dir);
    return count;
#else
    (void)folder;
    return -1;
#endif
}

} // namespace

int openDescriptorCount()
{
    return countEntries("/proc/self/fd");
}

int runningThreadCount()
{
    return countEntries("/proc/self/task");
}

} // namespace orvsupport
