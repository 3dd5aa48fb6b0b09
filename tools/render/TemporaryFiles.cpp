// SPDX-License-Identifier: GPL-3.0-or-later
#include "TemporaryFiles.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace pomelu::tools
{

namespace
{
// Enough for every parallel job's output file plus a state file; paths up to PATH_MAX.
constexpr int kSlots = 128;
constexpr std::size_t kPathBytes = 4096;

enum : int
{
    kFree,
    kFilling,
    kReady
};

std::atomic<int> slotState[kSlots];
char slotPath[kSlots][kPathBytes];

void removeAndReraise(int signalNumber)
{
    for (int i = 0; i < kSlots; ++i)
        if (slotState[i].load(std::memory_order_acquire) == kReady)
            ::unlink(slotPath[i]);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}
} // namespace

int registerTemporaryFile(const std::string& path)
{
    if (path.size() >= kPathBytes)
        return -1;
    for (int i = 0; i < kSlots; ++i)
    {
        int expected = kFree;
        if (slotState[i].compare_exchange_strong(expected, kFilling, std::memory_order_acquire))
        {
            std::memcpy(slotPath[i], path.c_str(), path.size() + 1);
            slotState[i].store(kReady, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void unregisterTemporaryFile(int slot)
{
    if (slot >= 0 && slot < kSlots)
        slotState[slot].store(kFree, std::memory_order_release);
}

void installInterruptCleanup()
{
    struct sigaction action
    {
    };
    action.sa_handler = removeAndReraise;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace pomelu::tools
