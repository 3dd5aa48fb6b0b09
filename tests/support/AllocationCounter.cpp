// SPDX-License-Identifier: GPL-3.0-or-later
#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local std::size_t allocationCount = 0;

void* countedAllocate(std::size_t size)
{
    ++allocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* countedAllocateAligned(std::size_t size, std::align_val_t alignment)
{
    ++allocationCount;
    const auto a = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(a, ((size + a - 1) / a) * a))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size)
{
    return countedAllocate(size);
}
void* operator new[](std::size_t size)
{
    return countedAllocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocationCount;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocationCount;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size, std::align_val_t a)
{
    return countedAllocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a)
{
    return countedAllocateAligned(size, a);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}

namespace pomelu::test
{

AllocationScope::AllocationScope() noexcept : startCount(allocationCount) {}
std::size_t AllocationScope::allocations() const noexcept
{
    return allocationCount - startCount;
}

} // namespace pomelu::test
