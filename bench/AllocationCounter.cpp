#include "AllocationCounter.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <cstdlib>
#include <cstring>
#include <new>

// glibc's own allocator, under the names it exports for programs that replace malloc.
extern "C"
{
    void* __libc_malloc(std::size_t size);
    void* __libc_calloc(std::size_t count, std::size_t size);
    void* __libc_realloc(void* pointer, std::size_t size);
    void __libc_free(void* pointer);
}

namespace
{

// Plain data with constant initialisation: reading it can never allocate, not even on a
// thread's first allocation.
struct ThreadCounts
{
    bool active;
    bool attribute;
    bool walking; // inside the stack walk, whose own allocations are not the caller's
    orvbench::AllocationCounts counts;
};

thread_local ThreadCounts current{};

bool startsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

const char* fileName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

// Frames: 0 this function, 1 noteOperatorNew, 2 the operator new, then its callers. The first
// caller outside the standard libraries decides: a bundle's code, or anybody else's (the
// harness standing in for the host, the benchmark).
__attribute__((noinline)) bool callerIsBundle()
{
    void* frames[32];
    const int depth = backtrace(frames, 32);
    for (int i = 3; i < depth; ++i)
    {
        Dl_info info;
        if (dladdr(frames[i], &info) == 0 || info.dli_fname == nullptr)
        {
            continue;
        }
        const char* name = fileName(info.dli_fname);
        if (startsWith(name, "libstdc++") || startsWith(name, "libc.so") ||
            startsWith(name, "libgcc_s"))
        {
            continue;
        }
        return startsWith(name, "Orv");
    }
    return false;
}

__attribute__((noinline)) void noteOperatorNew()
{
    if (!current.active || current.walking)
    {
        return;
    }
    ++current.counts.operatorNew;
    if (current.attribute)
    {
        current.walking = true;
        const bool fromBundle = callerIsBundle();
        current.walking = false;
        current.counts.fromBundles += fromBundle ? 1 : 0;
    }
}

void noteMalloc()
{
    if (current.active && !current.walking)
    {
        ++current.counts.mallocs;
    }
}

void* allocate(std::size_t size)
{
    noteOperatorNew();
    void* pointer = std::malloc(size != 0 ? size : 1);
    if (pointer == nullptr)
    {
        throw std::bad_alloc();
    }
    return pointer;
}

void* allocateAligned(std::size_t size, std::align_val_t alignment)
{
    noteOperatorNew();
    const std::size_t align = static_cast<std::size_t>(alignment);
    // aligned_alloc wants a multiple of the alignment.
    const std::size_t rounded = (size + align - 1) / align * align;
    void* pointer = std::aligned_alloc(align, rounded != 0 ? rounded : align);
    if (pointer == nullptr)
    {
        throw std::bad_alloc();
    }
    return pointer;
}

} // namespace

namespace orvbench
{

AllocationScope::AllocationScope(Attribution attribution)
{
    if (attribution == Attribution::ByCaller)
    {
        // The first stack walk loads the unwinder, which allocates: get that over with.
        current.walking = true;
        void* frames[4];
        backtrace(frames, 4);
        current.walking = false;
    }
    current.counts = AllocationCounts{};
    current.attribute = attribution == Attribution::ByCaller;
    current.active = true;
}

AllocationScope::~AllocationScope()
{
    current.active = false;
    current.attribute = false;
}

AllocationCounts AllocationScope::counts() const
{
    return current.counts;
}

} // namespace orvbench

extern "C"
{
    void* malloc(std::size_t size)
    {
        noteMalloc();
        return __libc_malloc(size);
    }

    void* calloc(std::size_t count, std::size_t size)
    {
        noteMalloc();
        return __libc_calloc(count, size);
    }

    void* realloc(void* pointer, std::size_t size)
    {
        noteMalloc();
        return __libc_realloc(pointer, size);
    }

    void free(void* pointer)
    {
        __libc_free(pointer);
    }
}

void* operator new(std::size_t size)
{
    return allocate(size);
}
void* operator new[](std::size_t size)
{
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return allocateAligned(size, alignment);
}

void operator delete(void* pointer) noexcept
{
    std::free(pointer);
}
void operator delete[](void* pointer) noexcept
{
    std::free(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept
{
    std::free(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept
{
    std::free(pointer);
}
void operator delete(void* pointer, std::align_val_t) noexcept
{
    std::free(pointer);
}
void operator delete[](void* pointer, std::align_val_t) noexcept
{
    std::free(pointer);
}
void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept
{
    std::free(pointer);
}
void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept
{
    std::free(pointer);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept
{
    std::free(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept
{
    std::free(pointer);
}
