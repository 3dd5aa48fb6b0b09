// SPDX-License-Identifier: GPL-3.0-or-later
// Two doubles worked on as one: the left and right channel of the same step. Every operation is the
// IEEE operation of each lane on its own (SSE2 on x86-64, which every such processor has; plain
// doubles elsewhere), so a stereo step gives each channel bit for bit what the one-channel step
// gives it. The engine's per-sample code is written once for a value type V that is either a
// double (one channel) or Lanes (two); the free functions below exist for both.
#pragma once

#include <algorithm>
#include <cmath>
#include <type_traits>

// POMELU_LANES_PORTABLE builds the plain form on x86-64 too (to check that it still compiles).
#if !defined(POMELU_LANES_PORTABLE) && (defined(__SSE2__) || defined(__x86_64__) || defined(_M_X64))
#include <emmintrin.h>
#define POMELU_LANES_SSE2 1
#endif

// The per-sample math is small and called from tight loops; the compiler's size heuristics would
// otherwise leave some of it as calls.
#if defined(__GNUC__)
#define POMELU_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define POMELU_ALWAYS_INLINE inline
#endif

namespace pomelu::dsp
{

#ifdef POMELU_LANES_SSE2

// Per-lane result of a comparison: all bits set where true.
struct LaneMask
{
    __m128d bits;
    friend LaneMask operator&(LaneMask a, LaneMask b) noexcept { return {_mm_and_pd(a.bits, b.bits)}; }
    friend LaneMask operator|(LaneMask a, LaneMask b) noexcept { return {_mm_or_pd(a.bits, b.bits)}; }
    // Bit 0 for lane 0, bit 1 for lane 1.
    int lanes() const noexcept { return _mm_movemask_pd(bits); }
};

struct Lanes
{
    __m128d v;

    Lanes() noexcept : v(_mm_setzero_pd()) {}
    Lanes(__m128d value) noexcept : v(value) {}
    Lanes(double both) noexcept : v(_mm_set1_pd(both)) {}
    Lanes(double lane0, double lane1) noexcept : v(_mm_set_pd(lane1, lane0)) {}

    double lane0() const noexcept { return _mm_cvtsd_f64(v); }
    double lane1() const noexcept { return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v)); }

    friend Lanes operator+(Lanes a, Lanes b) noexcept { return _mm_add_pd(a.v, b.v); }
    friend Lanes operator-(Lanes a, Lanes b) noexcept { return _mm_sub_pd(a.v, b.v); }
    friend Lanes operator*(Lanes a, Lanes b) noexcept { return _mm_mul_pd(a.v, b.v); }
    friend Lanes operator/(Lanes a, Lanes b) noexcept { return _mm_div_pd(a.v, b.v); }
    friend Lanes operator-(Lanes a) noexcept { return _mm_xor_pd(a.v, _mm_set1_pd(-0.0)); }
    Lanes& operator+=(Lanes b) noexcept { return *this = *this + b; }

    friend LaneMask operator<(Lanes a, Lanes b) noexcept { return {_mm_cmplt_pd(a.v, b.v)}; }
    friend LaneMask operator>(Lanes a, Lanes b) noexcept { return {_mm_cmpgt_pd(a.v, b.v)}; }
    friend LaneMask operator<=(Lanes a, Lanes b) noexcept { return {_mm_cmple_pd(a.v, b.v)}; }
    friend LaneMask operator!=(Lanes a, Lanes b) noexcept { return {_mm_cmpneq_pd(a.v, b.v)}; }
};

inline LaneMask laneMask(bool lane0, bool lane1) noexcept
{
    return {_mm_castsi128_pd(_mm_set_epi64x(lane1 ? -1 : 0, lane0 ? -1 : 0))};
}
inline Lanes select(LaneMask m, Lanes a, Lanes b) noexcept
{
    return _mm_or_pd(_mm_and_pd(m.bits, a.v), _mm_andnot_pd(m.bits, b.v));
}
inline Lanes abs(Lanes a) noexcept
{
    return _mm_andnot_pd(_mm_set1_pd(-0.0), a.v);
}
// std::max and std::min lane by lane, down to which operand a tie or a NaN returns.
inline Lanes max(Lanes a, Lanes b) noexcept
{
    return _mm_max_pd(b.v, a.v);
}
inline Lanes min(Lanes a, Lanes b) noexcept
{
    return _mm_min_pd(b.v, a.v);
}
inline Lanes copysign(Lanes magnitude, Lanes sign) noexcept
{
    const __m128d signBit = _mm_set1_pd(-0.0);
    return _mm_or_pd(_mm_andnot_pd(signBit, magnitude.v), _mm_and_pd(signBit, sign.v));
}
// Lane 0 and lane 1 exchanged: each channel sees the other one.
inline Lanes swapLanes(Lanes a) noexcept
{
    return _mm_shuffle_pd(a.v, a.v, 1);
}
// (a's lane 0, b's lane 0) and (a's lane 1, b's lane 1).
inline Lanes interleaveFirst(Lanes a, Lanes b) noexcept
{
    return _mm_unpacklo_pd(a.v, b.v);
}
inline Lanes interleaveSecond(Lanes a, Lanes b) noexcept
{
    return _mm_unpackhi_pd(a.v, b.v);
}
inline Lanes loadLanes(const double* pair) noexcept
{
    return _mm_loadu_pd(pair);
}
inline void storeLanes(double* pair, Lanes a) noexcept
{
    _mm_storeu_pd(pair, a.v);
}

#else // two plain doubles

struct LaneMask
{
    bool lane[2];
    friend LaneMask operator&(LaneMask a, LaneMask b) noexcept
    {
        return {{a.lane[0] && b.lane[0], a.lane[1] && b.lane[1]}};
    }
    friend LaneMask operator|(LaneMask a, LaneMask b) noexcept
    {
        return {{a.lane[0] || b.lane[0], a.lane[1] || b.lane[1]}};
    }
    int lanes() const noexcept { return (lane[0] ? 1 : 0) | (lane[1] ? 2 : 0); }
};

struct Lanes
{
    double v[2];

    Lanes() noexcept : v{0.0, 0.0} {}
    Lanes(double both) noexcept : v{both, both} {}
    Lanes(double lane0, double lane1) noexcept : v{lane0, lane1} {}

    double lane0() const noexcept { return v[0]; }
    double lane1() const noexcept { return v[1]; }

    template <class F> friend Lanes zip(Lanes a, Lanes b, F f) noexcept
    {
        return {f(a.v[0], b.v[0]), f(a.v[1], b.v[1])};
    }
    template <class F> friend LaneMask test(Lanes a, Lanes b, F f) noexcept
    {
        return {{f(a.v[0], b.v[0]), f(a.v[1], b.v[1])}};
    }

    friend Lanes operator+(Lanes a, Lanes b) noexcept
    {
        return zip(a, b, [](double x, double y) { return x + y; });
    }
    friend Lanes operator-(Lanes a, Lanes b) noexcept
    {
        return zip(a, b, [](double x, double y) { return x - y; });
    }
    friend Lanes operator*(Lanes a, Lanes b) noexcept
    {
        return zip(a, b, [](double x, double y) { return x * y; });
    }
    friend Lanes operator/(Lanes a, Lanes b) noexcept
    {
        return zip(a, b, [](double x, double y) { return x / y; });
    }
    friend Lanes operator-(Lanes a) noexcept { return {-a.v[0], -a.v[1]}; }
    Lanes& operator+=(Lanes b) noexcept { return *this = *this + b; }

    friend LaneMask operator<(Lanes a, Lanes b) noexcept
    {
        return test(a, b, [](double x, double y) { return x < y; });
    }
    friend LaneMask operator>(Lanes a, Lanes b) noexcept
    {
        return test(a, b, [](double x, double y) { return x > y; });
    }
    friend LaneMask operator<=(Lanes a, Lanes b) noexcept
    {
        return test(a, b, [](double x, double y) { return x <= y; });
    }
    friend LaneMask operator!=(Lanes a, Lanes b) noexcept
    {
        return test(a, b, [](double x, double y) { return x != y; });
    }
};

inline LaneMask laneMask(bool lane0, bool lane1) noexcept
{
    return {{lane0, lane1}};
}
inline Lanes select(LaneMask m, Lanes a, Lanes b) noexcept
{
    return {m.lane[0] ? a.v[0] : b.v[0], m.lane[1] ? a.v[1] : b.v[1]};
}
inline Lanes abs(Lanes a) noexcept
{
    return {std::abs(a.v[0]), std::abs(a.v[1])};
}
inline Lanes max(Lanes a, Lanes b) noexcept
{
    return {std::max(a.v[0], b.v[0]), std::max(a.v[1], b.v[1])};
}
inline Lanes min(Lanes a, Lanes b) noexcept
{
    return {std::min(a.v[0], b.v[0]), std::min(a.v[1], b.v[1])};
}
inline Lanes copysign(Lanes m, Lanes s) noexcept
{
    return {std::copysign(m.v[0], s.v[0]), std::copysign(m.v[1], s.v[1])};
}
inline Lanes swapLanes(Lanes a) noexcept
{
    return {a.v[1], a.v[0]};
}
inline Lanes interleaveFirst(Lanes a, Lanes b) noexcept
{
    return {a.v[0], b.v[0]};
}
inline Lanes interleaveSecond(Lanes a, Lanes b) noexcept
{
    return {a.v[1], b.v[1]};
}
inline Lanes loadLanes(const double* pair) noexcept
{
    return {pair[0], pair[1]};
}
inline void storeLanes(double* pair, Lanes a) noexcept
{
    pair[0] = a.v[0], pair[1] = a.v[1];
}

#endif

// a > b ? x : y for plain doubles, without a branch. For comparisons whose outcome follows the
// signal from sample to sample, where a mispredicted branch costs more than computing both sides.
inline double selectGreater(double a, double b, double x, double y) noexcept
{
#ifdef POMELU_LANES_SSE2
    const __m128d m = _mm_cmpgt_sd(_mm_set_sd(a), _mm_set_sd(b));
    return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(m, _mm_set_sd(x)), _mm_andnot_pd(m, _mm_set_sd(y))));
#else
    return a > b ? x : y;
#endif
}

// One step of a one-pole follower, (1 - a) target + a state, whose coefficient a depends on
// whether target > state (then `above`) or not (`otherwise`). Both candidates are computed, so
// the comparison is off the state's dependency chain.
inline double followPole(double state, double target, double above, double otherwise) noexcept
{
    return selectGreater(target, state, (1.0 - above) * target + above * state,
                         (1.0 - otherwise) * target + otherwise * state);
}

// The same vocabulary for one channel, so one template serves mono and stereo.
inline double select(bool m, double a, double b) noexcept
{
    return m ? a : b;
}
inline double abs(double a) noexcept
{
    return std::abs(a);
}
inline double max(double a, double b) noexcept
{
    return std::max(a, b);
}
inline double min(double a, double b) noexcept
{
    return std::min(a, b);
}
inline double copysign(double magnitude, double sign) noexcept
{
    return std::copysign(magnitude, sign);
}
inline double swapLanes(double a) noexcept
{
    return a;
}

// A channel pair stored as double[2]: one channel reads and writes element 0 only.
template <class V> V loadPair(const double* pair) noexcept
{
    if constexpr (std::is_same_v<V, double>)
        return pair[0];
    else
        return loadLanes(pair);
}
inline void storePair(double* pair, double a) noexcept
{
    pair[0] = a;
}
inline void storePair(double* pair, Lanes a) noexcept
{
    storeLanes(pair, a);
}

// Channel values built from one double per channel; one channel takes the first.
template <class V> V fromChannels(double ch0, [[maybe_unused]] double ch1) noexcept
{
    if constexpr (std::is_same_v<V, double>)
        return ch0;
    else
        return V(ch0, ch1);
}

inline double firstLane(double v) noexcept
{
    return v;
}
inline double firstLane(Lanes v) noexcept
{
    return v.lane0();
}

// A function of one double applied lane by lane, for the shapes that have no two-lane form.
template <class F> double perLane(double a, F f) noexcept
{
    return f(a);
}
template <class F> Lanes perLane(Lanes a, F f) noexcept
{
    return {f(a.lane0()), f(a.lane1())};
}

// The engine's value type for a channel count: one double or two lanes.
template <int Channels> using ChannelValue = std::conditional_t<Channels == 2, Lanes, double>;

} // namespace pomelu::dsp
