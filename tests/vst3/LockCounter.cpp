// SPDX-License-Identifier: GPL-3.0-or-later
#include "LockCounter.h"

#include <dlfcn.h>
#include <pthread.h>

namespace
{
thread_local std::size_t lockCount = 0;
using LockFunc = int (*)(pthread_mutex_t*);
} // namespace

// Counts, then forwards to the C library's own function.
extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex)
{
    static const auto next = reinterpret_cast<LockFunc>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    ++lockCount;
    return next(mutex);
}

namespace pomelu::test
{
std::size_t threadMutexLockCount() noexcept
{
    return lockCount;
}
} // namespace pomelu::test
