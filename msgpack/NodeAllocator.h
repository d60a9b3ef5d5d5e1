#pragma once
// The allocator of MsgPack::object. A map built by the decoder takes its nodes from one slab,
// a single block sized for its entries, instead of one heap block per node; every other map
// (built by a user, or copied from a decoded one) takes them from the heap like
// std::allocator. A node that does not fit in the slab comes from the heap as well.
//
// A slab is only ever filled while its map is decoded; afterwards the map is immutable and
// its nodes go back to the slab (a no-op) when it is destroyed, before the slab itself.
//
// The map's scalar values live in the slab too (SlabValueAllocator). A handle on such a value
// may outlive the map, so the slab counts its holders: the map, and each value it holds.
// Every value counted is counted when the slab is made (room for one per entry), so decoding
// touches no atomic; the map gives back the room it did not use when it releases the slab.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>

namespace orvpack
{

class alignas(alignof(std::max_align_t)) NodeSlab
{
public:
    // A slab of `bytes`, in one allocation, for up to `values` values besides the nodes.
    static NodeSlab* create(size_t bytes, size_t values)
    {
        void* memory = ::operator new(sizeof(NodeSlab) + bytes);
        return new (memory) NodeSlab(bytes, values);
    }

    // The map's release: the slab goes when no value taken from it is left.
    void release_by_owner() noexcept { release(1 + value_room_); }

    bool has_value_room() const noexcept { return value_room_ > 0; }

    // Counts one more value; only while its map is being decoded, and only with room left.
    void count_value() noexcept { --value_room_; }

    void release_value() noexcept { release(1); }

    // `size` bytes aligned to `alignment`, or nullptr when the slab is full.
    void* take(size_t size, size_t alignment) noexcept
    {
        const size_t start = (used_ + alignment - 1) / alignment * alignment;
        if (start > capacity_ || capacity_ - start < size)
        {
            return nullptr;
        }
        used_ = start + size;
        return bytes() + start;
    }

    bool holds(const void* memory) const noexcept
    {
        const auto address = reinterpret_cast<uintptr_t>(memory);
        const auto first = reinterpret_cast<uintptr_t>(bytes());
        return address >= first && address < first + capacity_;
    }

private:
    NodeSlab(size_t capacity, size_t values)
        : holders_(1 + values), value_room_(values), capacity_(capacity)
    {
    }

    void release(size_t holders) noexcept
    {
        if (holders_.fetch_sub(holders, std::memory_order_acq_rel) == holders)
        {
            ::operator delete(this);
        }
    }

    unsigned char* bytes() noexcept { return reinterpret_cast<unsigned char*>(this + 1); }
    const unsigned char* bytes() const noexcept
    {
        return reinterpret_cast<const unsigned char*>(this + 1);
    }

    std::atomic<size_t> holders_;
    size_t value_room_;
    size_t used_ = 0;
    const size_t capacity_;
};

struct NodeSlabDelete
{
    void operator()(NodeSlab* slab) const noexcept { slab->release_by_owner(); }
};
using NodeSlabPtr = std::unique_ptr<NodeSlab, NodeSlabDelete>;

template <typename T> class NodeAllocator
{
public:
    using value_type = T;
    // A slab belongs to the one map it was made for: copies of a map take the heap, and the
    // slab never moves to another map by assignment or swap.
    using propagate_on_container_copy_assignment = std::false_type;
    using propagate_on_container_move_assignment = std::false_type;
    using propagate_on_container_swap = std::false_type;
    using is_always_equal = std::false_type;

    NodeAllocator() noexcept = default;
    explicit NodeAllocator(NodeSlab* slab) noexcept : slab_(slab) {}
    template <typename U>
    NodeAllocator(const NodeAllocator<U>& other) noexcept : slab_(other.slab())
    {
    }

    T* allocate(size_t n)
    {
        if (slab_ != nullptr && n == 1)
        {
            if (void* memory = slab_->take(sizeof(T), alignof(T)))
            {
                return static_cast<T*>(memory);
            }
        }
        return std::allocator<T>().allocate(n);
    }

    void deallocate(T* memory, size_t n) noexcept
    {
        if (slab_ != nullptr && slab_->holds(memory))
        {
            return;
        }
        std::allocator<T>().deallocate(memory, n);
    }

    NodeAllocator select_on_container_copy_construction() const noexcept { return NodeAllocator(); }

    NodeSlab* slab() const noexcept { return slab_; }

    template <typename U> bool operator==(const NodeAllocator<U>& other) const noexcept
    {
        return slab_ == other.slab();
    }
    template <typename U> bool operator!=(const NodeAllocator<U>& other) const noexcept
    {
        return slab_ != other.slab();
    }

private:
    NodeSlab* slab_ = nullptr;
};

// The allocator of one value's shared block (value and reference count) in its map's slab.
// Every block it makes counts as a holder of the slab, also one that had to come from the heap
// because the slab was full, so that the slab outlives every block that asks it about itself.
template <typename T> class SlabValueAllocator
{
public:
    using value_type = T;

    explicit SlabValueAllocator(NodeSlab* slab) noexcept : slab_(slab) {}
    template <typename U>
    SlabValueAllocator(const SlabValueAllocator<U>& other) noexcept : slab_(other.slab())
    {
    }

    T* allocate(size_t n)
    {
        void* memory = n == 1 ? slab_->take(sizeof(T), alignof(T)) : nullptr;
        T* block = memory != nullptr ? static_cast<T*>(memory) : std::allocator<T>().allocate(n);
        slab_->count_value();
        return block;
    }

    void deallocate(T* block, size_t n) noexcept
    {
        NodeSlab* const slab = slab_;
        if (!slab->holds(block))
        {
            std::allocator<T>().deallocate(block, n);
        }
        slab->release_value();
    }

    NodeSlab* slab() const noexcept { return slab_; }

    template <typename U> bool operator==(const SlabValueAllocator<U>& other) const noexcept
    {
        return slab_ == other.slab();
    }
    template <typename U> bool operator!=(const SlabValueAllocator<U>& other) const noexcept
    {
        return slab_ != other.slab();
    }

private:
    NodeSlab* slab_;
};

} // namespace orvpack
