// SPDX-License-Identifier: GPL-3.0-or-later
// exp, log and tanh for one or two lanes, inline, for the per-sample gain and shaping curves.
// Both stay within about one unit in the last place of the C library's results (the tests hold
// them to it), so a render does not move by more than rounding noise, and both lanes of a pair
// cost one evaluation.
#pragma once

#include "Lanes.h"

#include <cmath>

namespace pomelu::dsp
{

#ifdef POMELU_LANES_SSE2

namespace fastmath
{
// 2^(j/32), j = 0..31, each correctly rounded.
alignas(16) inline constexpr double kExp2Table[32] = {
    0x1.0000000000000p+0, 0x1.059b0d3158574p+0, 0x1.0b5586cf9890fp+0, 0x1.11301d0125b51p+0,
    0x1.172b83c7d517bp+0, 0x1.1d4873168b9aap+0, 0x1.2387a6e756238p+0, 0x1.29e9df51fdee1p+0,
    0x1.306fe0a31b715p+0, 0x1.371a7373aa9cbp+0, 0x1.3dea64c123422p+0, 0x1.44e086061892dp+0,
    0x1.4bfdad5362a27p+0, 0x1.5342b569d4f82p+0, 0x1.5ab07dd485429p+0, 0x1.6247eb03a5585p+0,
    0x1.6a09e667f3bcdp+0, 0x1.71f75e8ec5f74p+0, 0x1.7a11473eb0187p+0, 0x1.82589994cce13p+0,
    0x1.8ace5422aa0dbp+0, 0x1.93737b0cdc5e5p+0, 0x1.9c49182a3f090p+0, 0x1.a5503b23e255dp+0,
    0x1.ae89f995ad3adp+0, 0x1.b7f76f2fb5e47p+0, 0x1.c199bdd85529cp+0, 0x1.cb720dcef9069p+0,
    0x1.d5818dcfba487p+0, 0x1.dfc97337b9b5fp+0, 0x1.ea4afa2a490dap+0, 0x1.f50765b6e4540p+0,
};
inline constexpr double kRoundShifter = 0x1.8p52; // adding it rounds to an integer kept in the low bits
} // namespace fastmath

// e^x for |x| <= 700; below -700 the result is 0 (the true value is under 1e-304), above +700 it
// is e^700. x = (32n + j) ln2 / 32 + r with |r| <= ln2 / 64: a table gives 2^(j/32), a degree-6
// polynomial e^r, and n goes straight into the exponent bits.
POMELU_ALWAYS_INLINE Lanes expFast(Lanes x) noexcept
{
    using namespace fastmath;
    const __m128d clamped = _mm_min_pd(_mm_max_pd(x.v, _mm_set1_pd(-700.0)), _mm_set1_pd(700.0));
    const __m128d shifter = _mm_set1_pd(kRoundShifter);
    const __m128d shifted = _mm_add_pd(_mm_mul_pd(clamped, _mm_set1_pd(0x1.71547652b82fep+5)), shifter);
    const __m128d n = _mm_sub_pd(shifted, shifter);
    const __m128i ni = _mm_sub_epi64(_mm_castpd_si128(shifted), _mm_castpd_si128(shifter));
    // ln2 / 32 in two parts; n times the first is exact.
    const __m128d r = _mm_sub_pd(_mm_sub_pd(clamped, _mm_mul_pd(n, _mm_set1_pd(0x1.62e42feep-6))),
                                 _mm_mul_pd(n, _mm_set1_pd(0x1.a39ef35793c76p-38)));
    __m128d p = _mm_set1_pd(1.0 / 720.0);
    p = _mm_add_pd(_mm_mul_pd(p, r), _mm_set1_pd(1.0 / 120.0));
    p = _mm_add_pd(_mm_mul_pd(p, r), _mm_set1_pd(1.0 / 24.0));
    p = _mm_add_pd(_mm_mul_pd(p, r), _mm_set1_pd(1.0 / 6.0));
    p = _mm_add_pd(_mm_mul_pd(p, r), _mm_set1_pd(0.5));
    p = _mm_mul_pd(_mm_mul_pd(p, r), r);
    p = _mm_add_pd(_mm_add_pd(p, r), _mm_set1_pd(1.0));

    const __m128i j = _mm_and_si128(ni, _mm_set1_epi64x(31));
    const int j0 = _mm_cvtsi128_si32(j);
    const int j1 = _mm_cvtsi128_si32(_mm_unpackhi_epi64(j, j));
    const __m128d scale = _mm_loadh_pd(_mm_load_sd(&kExp2Table[j0]), &kExp2Table[j1]);
    // (n - j) / 32 is the power of two; shifted into place it adds to the exponent field.
    const __m128i power = _mm_slli_epi64(_mm_sub_epi64(ni, j), 47);
    const __m128d result = _mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(_mm_mul_pd(scale, p)), power));
    return _mm_andnot_pd(_mm_cmplt_pd(x.v, _mm_set1_pd(-700.0)), result);
}

// Natural logarithm of positive normal numbers: x = 2^k m with m in [sqrt(1/2), sqrt(2)), and
// log(m) from s = (m - 1) / (m + 1) by the classic odd series in s.
POMELU_ALWAYS_INLINE Lanes logFast(Lanes x) noexcept
{
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d twoTo52 = _mm_set1_pd(0x1p52);
    const __m128i exponent = _mm_srli_epi64(_mm_castpd_si128(x.v), 52);
    __m128d k = _mm_sub_pd(_mm_castsi128_pd(_mm_or_si128(exponent, _mm_castpd_si128(twoTo52))),
                           _mm_set1_pd(0x1p52 + 1023.0));
    __m128d m = _mm_or_pd(_mm_and_pd(x.v, _mm_castsi128_pd(_mm_set1_epi64x(0x000FFFFFFFFFFFFFll))), one);
    const __m128d high = _mm_cmpgt_pd(m, _mm_set1_pd(0x1.6a09e667f3bcdp+0));
    m = _mm_or_pd(_mm_and_pd(high, _mm_mul_pd(m, _mm_set1_pd(0.5))), _mm_andnot_pd(high, m));
    k = _mm_add_pd(k, _mm_and_pd(high, one));

    const __m128d f = _mm_sub_pd(m, one);
    const __m128d hfsq = _mm_mul_pd(_mm_mul_pd(_mm_set1_pd(0.5), f), f);
    const __m128d s = _mm_div_pd(f, _mm_add_pd(_mm_set1_pd(2.0), f));
    const __m128d z = _mm_mul_pd(s, s);
    const __m128d w = _mm_mul_pd(z, z);
    auto term = [](__m128d acc, __m128d v, double c)
    { return _mm_add_pd(_mm_set1_pd(c), _mm_mul_pd(v, acc)); };
    const __m128d t1 =
        _mm_mul_pd(w, term(term(_mm_set1_pd(1.531383769920937332e-01), w, 2.222219843214978396e-01), w,
                           3.999999999940941908e-01));
    const __m128d t2 =
        _mm_mul_pd(z, term(term(term(_mm_set1_pd(1.479819860511658591e-01), w, 1.818357216161805012e-01), w,
                                2.857142874366239149e-01),
                           w, 6.666666666666735130e-01));
    const __m128d R = _mm_add_pd(t2, t1);
    const __m128d lnHigh = _mm_set1_pd(6.93147180369123816490e-01); // k times it is exact
    const __m128d lnLow = _mm_set1_pd(1.90821492927058770002e-10);
    const __m128d inner = _mm_add_pd(_mm_mul_pd(s, _mm_add_pd(hfsq, R)), _mm_mul_pd(k, lnLow));
    return _mm_sub_pd(_mm_mul_pd(k, lnHigh), _mm_sub_pd(_mm_sub_pd(hfsq, inner), f));
}

#else

inline Lanes expFast(Lanes x) noexcept
{
    auto e = [](double v) { return v < -700.0 ? 0.0 : std::exp(std::min(v, 700.0)); };
    return {e(x.lane0()), e(x.lane1())};
}
inline Lanes logFast(Lanes x) noexcept
{
    return {std::log(x.lane0()), std::log(x.lane1())};
}

#endif

// One channel: the same evaluation, so mono and stereo renders agree.
inline double expFast(double x) noexcept
{
    return expFast(Lanes(x)).lane0();
}
inline double logFast(double x) noexcept
{
    return logFast(Lanes(x)).lane0();
}

// tanh through one exp, within a few 1e-16 of the C library's tanh. Beyond |x| = 19 tanh is 1
// to the last bit.
template <class V> POMELU_ALWAYS_INLINE V tanhFast(V x) noexcept
{
    const V e = expFast(V(2.0) * x);
    return select(abs(x) > V(19.0), copysign(V(1.0), x), (e - V(1.0)) / (e + V(1.0)));
}

} // namespace pomelu::dsp
