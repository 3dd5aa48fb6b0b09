// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace iplug
{

// Single-producer single-consumer ring of fixed-size items. The storage is allocated by the
// constructor (UI thread); Push and Pop never allocate, lock or wait. One slot stays free to tell
// full from empty, so a queue of capacity n holds n items.
template <class T> class IPlugQueue
{
public:
    explicit IPlugQueue(int capacity) : mItems(static_cast<std::size_t>(capacity > 0 ? capacity : 1) + 1) {}

    IPlugQueue(const IPlugQueue&) = delete;
    IPlugQueue& operator=(const IPlugQueue&) = delete;

    // Producer side. Returns false (and drops the item) when the queue is full.
    bool Push(const T& item)
    {
        const std::size_t w = mWrite.load(std::memory_order_relaxed);
        const std::size_t next = advance(w);
        if (next == mRead.load(std::memory_order_acquire))
            return false;
        mItems[w] = item;
        mWrite.store(next, std::memory_order_release);
        return true;
    }

    // Consumer side. Returns false when the queue is empty.
    bool Pop(T& item)
    {
        const std::size_t r = mRead.load(std::memory_order_relaxed);
        if (r == mWrite.load(std::memory_order_acquire))
            return false;
        item = mItems[r];
        mRead.store(advance(r), std::memory_order_release);
        return true;
    }

    // Approximate when called while the other side runs.
    std::size_t ElementsAvailable() const
    {
        const std::size_t w = mWrite.load(std::memory_order_acquire);
        const std::size_t r = mRead.load(std::memory_order_acquire);
        return (w + mItems.size() - r) % mItems.size();
    }

    std::size_t Capacity() const { return mItems.size() - 1; }

private:
    std::size_t advance(std::size_t i) const { return i + 1 == mItems.size() ? 0 : i + 1; }

    std::vector<T> mItems;
    alignas(64) std::atomic<std::size_t> mWrite{0};
    alignas(64) std::atomic<std::size_t> mRead{0};
};

} // namespace iplug
