// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

// Counts every global operator new / delete made by the calling thread while a scope is open.
// Linking pomelu_test_support replaces the global allocation operators for the whole test binary.
namespace pomelu::test
{

class AllocationScope
{
public:
    AllocationScope() noexcept;
    AllocationScope(const AllocationScope&) = delete;
    AllocationScope& operator=(const AllocationScope&) = delete;

    // Allocations made by this thread since the scope opened.
    std::size_t allocations() const noexcept;

private:
    std::size_t startCount;
};

} // namespace pomelu::test
