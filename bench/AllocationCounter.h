// Counts heap allocations on the calling thread, through a replaced global allocator (every
// operator new of the process, the bundles' included) and an interposed malloc (which also
// sees C allocations, such as a peer library's memory zones).
//
//   orvbench::AllocationScope scope(orvbench::Attribution::ByCaller);
//   cook();
//   scope.counts().fromBundles;   // operator new calls made by code of a loaded Orv bundle
//
// Only the thread that opened a scope is counted, so a receive thread running alongside
// does not show up in a cook's figures. Scopes do not nest.
#pragma once

#include <cstdint>

namespace orvbench
{

struct AllocationCounts
{
    std::uint64_t operatorNew = 0; // calls of any operator new
    std::uint64_t mallocs = 0;     // malloc, calloc and realloc calls, operator new's included
    std::uint64_t fromBundles = 0; // operator new calls whose caller lies in an Orv bundle
};

enum class Attribution
{
    None,
    // Walks the stack at every operator new to find out whose code asked (slow; never inside
    // a timed loop).
    ByCaller,
};

class AllocationScope
{
public:
    explicit AllocationScope(Attribution attribution = Attribution::None);
    ~AllocationScope();
    AllocationScope(const AllocationScope&) = delete;
    AllocationScope& operator=(const AllocationScope&) = delete;

    // What the thread allocated since the scope opened.
    AllocationCounts counts() const;
};

} // namespace orvbench
