// What this process holds, for the tests that check that nothing leaks: open descriptors and
// running threads, counted from /proc/self. -1 where that cannot be counted (not Linux).
#pragma once

namespace orvsupport
{

int openDescriptorCount();
int runningThreadCount();

} // namespace orvsupport
