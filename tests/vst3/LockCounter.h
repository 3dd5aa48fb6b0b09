// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace pomelu::test
{

// pthread_mutex_lock calls made by the calling thread, in this program and every module it loaded.
// Linking LockCounter.cpp interposes the function for the whole test binary.
std::size_t threadMutexLockCount() noexcept;

} // namespace pomelu::test
