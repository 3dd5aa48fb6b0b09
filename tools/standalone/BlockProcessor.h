// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>

namespace pomelu::host
{
class PluginInstance;
}

namespace pomelu::tools
{

// Hands stereo float blocks of any length to a plug-in instance set up for 32-bit stereo, in
// pieces no longer than the block size it was set up with, and counts the frames.
//
// Threads: process() belongs to the audio thread (the JACK process callback or the file loop) and
// neither allocates nor locks; framesProcessed() may be read from any thread.
class BlockProcessor
{
public:
    BlockProcessor(host::PluginInstance& instance, int maxBlock) : instance(instance), maxBlock(maxBlock) {}

    // tempo: beats per minute of a running transport, 0 for none.
    void process(float* const* inputs, float* const* outputs, int frames, double tempo) noexcept;

    std::int64_t framesProcessed() const { return frames.load(std::memory_order_relaxed); }

private:
    host::PluginInstance& instance;
    const int maxBlock;
    std::atomic<std::int64_t> frames{0};
};

} // namespace pomelu::tools
