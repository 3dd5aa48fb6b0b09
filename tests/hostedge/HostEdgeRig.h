// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AllocationCounter.h"
#include "BlockData.h"
#include "MemoryStream.h"
#include "PluginInstance.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pomelu::test
{

using host::BlockData;
using host::MemoryStream;
using host::ParamChange;
using host::PluginInstance;

inline constexpr Steinberg::Vst::ParamID kHostBypassId = 89;
inline constexpr Steinberg::Vst::ParamID kProgramId = 90;
inline constexpr int kHostParameterCount = 91;

// Channel buffers with guard samples on both sides of every block, so that a write outside the
// block shows. Pointers are to the first sample of each block.
template <class T> class GuardedBuffers
{
public:
    static constexpr int kGuard = 64;
    static constexpr T kGuardValue = static_cast<T>(4321.0);

    GuardedBuffers(int channels, int frames, T fill = T(0));

    T** pointers() { return ptrs.data(); }
    T* channel(int c) { return ptrs[static_cast<std::size_t>(c)]; }
    const T* channel(int c) const { return ptrs[static_cast<std::size_t>(c)]; }
    int frames() const { return nFrames; }
    int channels() const { return static_cast<int>(ptrs.size()); }

    void fill(T value);
    // A 220 Hz sine at 48 kHz of the given amplitude on every channel.
    void fillSine(T amplitude);
    bool guardsIntact() const;
    bool allFinite() const;
    double peak(int c, int from = 0) const;

private:
    int nFrames;
    std::vector<std::vector<T>> storage;
    std::vector<T*> ptrs;
};

extern template class GuardedBuffers<double>;
extern template class GuardedBuffers<float>;

template <class T>
inline constexpr Steinberg::int32 kSampleSizeOf = sizeof(T) == sizeof(double) ? Steinberg::Vst::kSample64
                                                                              : Steinberg::Vst::kSample32;

// A block of a 0.5 sine in on every channel, its outputs filled with outFill, ready to run.
template <class T> struct SineBlock
{
    explicit SineBlock(int frames, T outFill = T(0), int channels = 2)
        : in(channels, frames), out(channels, frames, outFill), data(kSampleSizeOf<T>, frames)
    {
        in.fillSine(T(0.5));
        data.setInput(reinterpret_cast<void**>(in.pointers()), channels);
        data.setOutput(reinterpret_cast<void**>(out.pointers()), channels);
    }
    GuardedBuffers<T> in, out;
    BlockData data;
};

// What the calling thread allocates and locks while the probe lives.
class RealTimeProbe
{
public:
    RealTimeProbe();
    std::size_t allocations() const { return scope.allocations(); }
    std::size_t locks() const;

private:
    AllocationScope scope;
    std::size_t locksAtStart;
};

// A loaded bundle with one initialised instance (not yet set up).
class HostEdge : public ::testing::Test
{
protected:
    void SetUp() override;
    // Every module on, with wet delay and reverb, through the controller (UI thread).
    void switchEverythingOn();
    std::vector<double> normalizedValues();

    PluginInstance host;
};

} // namespace pomelu::test
