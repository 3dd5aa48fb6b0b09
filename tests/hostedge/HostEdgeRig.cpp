// SPDX-License-Identifier: GPL-3.0-or-later
#include "HostEdgeRig.h"

#include "LockCounter.h"
#include "Parameters.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace pomelu::test
{

using namespace Steinberg;
using namespace Steinberg::Vst;

template <class T>
GuardedBuffers<T>::GuardedBuffers(int channels, int frames, T fill) : nFrames(std::max(frames, 0))
{
    storage.resize(static_cast<std::size_t>(channels));
    for (auto& s : storage)
    {
        s.assign(static_cast<std::size_t>(nFrames + 2 * kGuard), kGuardValue);
        ptrs.push_back(s.data() + kGuard);
    }
    this->fill(fill);
}

template <class T> void GuardedBuffers<T>::fill(T value)
{
    for (T* p : ptrs)
        std::fill(p, p + nFrames, value);
}

template <class T> void GuardedBuffers<T>::fillSine(T amplitude)
{
    for (T* p : ptrs)
        for (int i = 0; i < nFrames; ++i)
            p[i] = static_cast<T>(amplitude * std::sin(2.0 * std::numbers::pi * 220.0 * i / 48000.0));
}

template <class T> bool GuardedBuffers<T>::guardsIntact() const
{
    for (const auto& s : storage)
        for (int i = 0; i < kGuard; ++i)
            if (s[static_cast<std::size_t>(i)] != kGuardValue ||
                s[static_cast<std::size_t>(kGuard + nFrames + i)] != kGuardValue)
                return false;
    return true;
}

template <class T> bool GuardedBuffers<T>::allFinite() const
{
    for (const T* p : ptrs)
        for (int i = 0; i < nFrames; ++i)
            if (!std::isfinite(p[i]))
                return false;
    return true;
}

template <class T> double GuardedBuffers<T>::peak(int c, int from) const
{
    const T* p = channel(c);
    double m = 0.0;
    for (int i = std::max(from, 0); i < nFrames; ++i)
        m = std::max(m, std::fabs(static_cast<double>(p[i])));
    return m;
}

template class GuardedBuffers<double>;
template class GuardedBuffers<float>;

RealTimeProbe::RealTimeProbe() : locksAtStart(threadMutexLockCount()) {}

std::size_t RealTimeProbe::locks() const
{
    return threadMutexLockCount() - locksAtStart;
}

void HostEdge::SetUp()
{
    ASSERT_TRUE(host.open(POMELU_VST3_BUNDLE_DIR)) << host.lastError();
}

void HostEdge::switchEverythingOn()
{
    for (int id : {kPopCut, kSClear, kEq, kLeveler, kComp, kClipGuard, kDistortion, kPhaser, kTremolo, kDelay,
                   kReverb, kEqLowCut, kEqHighCut})
        ASSERT_EQ(host.controller()->setParamNormalized(static_cast<ParamID>(id), 1.0), kResultOk);
    for (int id : {kDelayWet, kReverbWet, kDistortionMix, kPhaserMix})
        ASSERT_EQ(host.controller()->setParamNormalized(static_cast<ParamID>(id), 0.5), kResultOk);
}

std::vector<double> HostEdge::normalizedValues()
{
    std::vector<double> values;
    for (int id = 0; id < kHostParameterCount; ++id)
        values.push_back(host.controller()->getParamNormalized(static_cast<ParamID>(id)));
    return values;
}

} // namespace pomelu::test
