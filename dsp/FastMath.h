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
// 2^(j/64), j = 0..63, each correctly rounded.
alignas(16) inline constexpr double kExp2Table[64] = {
    0x1.0000000000000p+0, 0x1.02c9a3e778061p+0, 0x1.059b0d3158574p+0, 0x1.0874518759bc8p+0,
    0x1.0b5586cf9890fp+0, 0x1.0e3ec32d3d1a2p+0, 0x1.11301d0125b51p+0, 0x1.1429aaea92de0p+0,
    0x1.172b83c7d517bp+0, 0x1.1a35beb6fcb75p+0, 0x1.1d4873168b9aap+0, 0x1.2063b88628cd6p+0,
    0x1.2387a6e756238p+0, 0x1.26b4565e27cddp+0, 0x1.29e9df51fdee1p+0, 0x1.2d285a6e4030bp+0,
    0x1.306fe0a31b715p+0, 0x1.33c08b26416ffp+0, 0x1.371a7373aa9cbp+0, 0x1.3a7db34e59ff7p+0,
    0x1.3dea64c123422p+0, 0x1.4160a21f72e2ap+0, 0x1.44e086061892dp+0, 0x1.486a2b5c13cd0p+0,
    0x1.4bfdad5362a27p+0, 0x1.4f9b2769d2ca7p+0, 0x1.5342b569d4f82p+0, 0x1.56f4736b527dap+0,
    0x1.5ab07dd485429p+0, 0x1.5e76f15ad2148p+0, 0x1.6247eb03a5585p+0, 0x1.6623882552225p+0,
    0x1.6a09e667f3bcdp+0, 0x1.6dfb23c651a2fp+0, 0x1.71f75e8ec5f74p+0, 0x1.75feb564267c9p+0,
    0x1.7a11473eb0187p+0, 0x1.7e2f336cf4e62p+0, 0x1.82589994cce13p+0, 0x1.868d99b4492edp+0,
    0x1.8ace5422aa0dbp+0, 0x1.8f1ae99157736p+0, 0x1.93737b0cdc5e5p+0, 0x1.97d829fde4e50p+0,
    0x1.9c49182a3f090p+0, 0x1.a0c667b5de565p+0, 0x1.a5503b23e255dp+0, 0x1.a9e6b5579fdbfp+0,
    0x1.ae89f995ad3adp+0, 0x1.b33a2b84f15fbp+0, 0x1.b7f76f2fb5e47p+0, 0x1.bcc1e904bc1d2p+0,
    0x1.c199bdd85529cp+0, 0x1.c67f12e57d14bp+0, 0x1.cb720dcef9069p+0, 0x1.d072d4a07897cp+0,
    0x1.d5818dcfba487p+0, 0x1.da9e603db3285p+0, 0x1.dfc97337b9b5fp+0, 0x1.e502ee78b3ff6p+0,
    0x1.ea4afa2a490dap+0, 0x1.efa1bee615a27p+0, 0x1.f50765b6e4540p+0, 0x1.fa7c1819e90d8p+0,
};
// For the logarithm: the mantissa's range [1, 2) in 128 intervals; per interval 1/c for its centre c
// (rounded) and -log of that rounded value (correctly rounded), so m / c is m times an exact table
// value and the two parts of log(m) fit together without error.
alignas(16) inline constexpr double kLogInverse[128] = {
    0x1.fe01fe01fe020p-1, 0x1.fa11caa01fa12p-1, 0x1.f6310aca0dbb5p-1, 0x1.f25f644230ab5p-1,
    0x1.ee9c7f8458e02p-1, 0x1.eae807aba01ebp-1, 0x1.e741aa59750e4p-1, 0x1.e3a9179dc1a73p-1,
    0x1.e01e01e01e01ep-1, 0x1.dca01dca01dcap-1, 0x1.d92f2231e7f8ap-1, 0x1.d5cac807572b2p-1,
    0x1.d272ca3fc5b1ap-1, 0x1.cf26e5c44bfc6p-1, 0x1.cbe6d9601cbe7p-1, 0x1.c8b265afb8a42p-1,
    0x1.c5894d10d4986p-1, 0x1.c26b5392ea01cp-1, 0x1.bf583ee868d8bp-1, 0x1.bc4fd65883e7bp-1,
    0x1.b951e2b18ff23p-1, 0x1.b65e2e3beee05p-1, 0x1.b37484ad806cep-1, 0x1.b094b31d922a4p-1,
    0x1.adbe87f94905ep-1, 0x1.aaf1d2f87ebfdp-1, 0x1.a82e65130e159p-1, 0x1.a574107688a4ap-1,
    0x1.a2c2a87c51ca0p-1, 0x1.a01a01a01a01ap-1, 0x1.9d79f176b682dp-1, 0x1.9ae24ea5510dap-1,
    0x1.9852f0d8ec0ffp-1, 0x1.95cbb0be377aep-1, 0x1.934c67f9b2ce6p-1, 0x1.90d4f120190d5p-1,
    0x1.8e6527af1373fp-1, 0x1.8bfce8062ff3ap-1, 0x1.899c0f601899cp-1, 0x1.87427bcc092b9p-1,
    0x1.84f00c2780614p-1, 0x1.82a4a0182a4a0p-1, 0x1.8060180601806p-1, 0x1.7e225515a4f1dp-1,
    0x1.7beb3922e017cp-1, 0x1.79baa6bb6398bp-1, 0x1.77908119ac60dp-1, 0x1.756cac201756dp-1,
    0x1.734f0c541fe8dp-1, 0x1.713786d9c7c09p-1, 0x1.6f26016f26017p-1, 0x1.6d1a62681c861p-1,
    0x1.6b1490aa31a3dp-1, 0x1.691473a88d0c0p-1, 0x1.6719f3601671ap-1, 0x1.6524f853b4aa3p-1,
    0x1.63356b88ac0dep-1, 0x1.614b36831ae94p-1, 0x1.5f66434292dfcp-1, 0x1.5d867c3ece2a5p-1,
    0x1.5babcc647fa91p-1, 0x1.59d61f123ccaap-1, 0x1.5805601580560p-1, 0x1.56397ba7c52e2p-1,
    0x1.54725e6bb82fep-1, 0x1.52aff56a8054bp-1, 0x1.50f22e111c4c5p-1, 0x1.4f38f62dd4c9bp-1,
    0x1.4d843bedc2c4cp-1, 0x1.4bd3edda68fe1p-1, 0x1.4a27fad76014ap-1, 0x1.4880522014880p-1,
    0x1.46dce34596066p-1, 0x1.453d9e2c776cap-1, 0x1.43a2730abee4dp-1, 0x1.420b5265e5951p-1,
    0x1.40782d10e6566p-1, 0x1.3ee8f42a5af07p-1, 0x1.3d5d991aa75c6p-1, 0x1.3bd60d9232955p-1,
    0x1.3a524387ac822p-1, 0x1.38d22d366088ep-1, 0x1.3755bd1c945eep-1, 0x1.35dce5f9f2af8p-1,
    0x1.34679ace01346p-1, 0x1.32f5ced6a1dfap-1, 0x1.3187758e9ebb6p-1, 0x1.301c82ac40260p-1,
    0x1.2eb4ea1fed14bp-1, 0x1.2d50a012d50a0p-1, 0x1.2bef98e5a3711p-1, 0x1.2a91c92f3c105p-1,
    0x1.293725bb804a5p-1, 0x1.27dfa38a1ce4dp-1, 0x1.268b37cd60127p-1, 0x1.2539d7e9177b2p-1,
    0x1.23eb79717605bp-1, 0x1.22a0122a0122ap-1, 0x1.21579804855e6p-1, 0x1.2012012012012p-1,
    0x1.1ecf43c7fb84cp-1, 0x1.1d8f5672e4abdp-1, 0x1.1c522fc1ce059p-1, 0x1.1b17c67f2bae3p-1,
    0x1.19e0119e0119ep-1, 0x1.18ab083902bdbp-1, 0x1.1778a191bd684p-1, 0x1.1648d50fc3201p-1,
    0x1.151b9a3fdd5c9p-1, 0x1.13f0e8d344724p-1, 0x1.12c8b89edc0acp-1, 0x1.11a3019a74826p-1,
    0x1.107fbbe011080p-1, 0x1.0f5edfab325a2p-1, 0x1.0e40655826011p-1, 0x1.0d24456359e3ap-1,
    0x1.0c0a7868b4171p-1, 0x1.0af2f722eecb5p-1, 0x1.09ddba6af8360p-1, 0x1.08cabb37565e2p-1,
    0x1.07b9f29b8eae2p-1, 0x1.06ab59c7912fbp-1, 0x1.059eea0727586p-1, 0x1.04949cc1664c5p-1,
    0x1.038c6b78247fcp-1, 0x1.02864fc7729e9p-1, 0x1.0182436517a37p-1, 0x1.0080402010080p-1,
};
alignas(16) inline constexpr double kLogOfCentre[128] = {
    0x1.ff00aa2b10ba0p-9, 0x1.7dc475f810a69p-7, 0x1.3cea44346a584p-6, 0x1.b9fc027af919ap-6,
    0x1.1b0d98923d97fp-5, 0x1.58a5bafc8e4d3p-5, 0x1.95c830ec8e3f2p-5, 0x1.d276b8adb0b56p-5,
    0x1.075983598e471p-4, 0x1.253f62f0a1417p-4, 0x1.42edcbea646eep-4, 0x1.60658a93750c4p-4,
    0x1.7da766d7b12d0p-4, 0x1.9ab42462033aep-4, 0x1.b78c82bb0eda0p-4, 0x1.d4313d66cb35dp-4,
    0x1.f0a30c01162a4p-4, 0x1.0671512ca596fp-3, 0x1.14785846742acp-3, 0x1.2266f190a5acdp-3,
    0x1.303d718e47fd5p-3, 0x1.3dfc2b0ecc62ap-3, 0x1.4ba36f39a55e5p-3, 0x1.59338d9982085p-3,
    0x1.66acd4272ad51p-3, 0x1.740f8f54037a3p-3, 0x1.815c0a14357e9p-3, 0x1.8e928de886d41p-3,
    0x1.9bb362e7dfb85p-3, 0x1.a8becfc882f19p-3, 0x1.b5b519e8fb5a6p-3, 0x1.c2968558c18c2p-3,
    0x1.cf6354e09c5ddp-3, 0x1.dc1bca0abec7bp-3, 0x1.e8c0252aa5a60p-3, 0x1.f550a564b7b37p-3,
    0x1.00e6c45ad501dp-2, 0x1.071b85fcd590dp-2, 0x1.0d46b579ab74bp-2, 0x1.136870293a8b0p-2,
    0x1.1980d2dd4236fp-2, 0x1.1f8ff9e48a2f3p-2, 0x1.2596010df763ap-2, 0x1.2b9303ab89d25p-2,
    0x1.31871c9544185p-2, 0x1.3772662bfd85cp-2, 0x1.3d54fa5c1f710p-2, 0x1.432ef2a04e813p-2,
    0x1.49006804009d0p-2, 0x1.4ec9732600269p-2, 0x1.548a2c3add263p-2, 0x1.5a42ab0f4cfe2p-2,
    0x1.5ff3070a793d4p-2, 0x1.659b57303e1f2p-2, 0x1.6b3bb2235943dp-2, 0x1.70d42e2789236p-2,
    0x1.7664e1239dbcfp-2, 0x1.7bede0a37afbfp-2, 0x1.816f41da0d495p-2, 0x1.86e919a330ba1p-2,
    0x1.8c5b7c858b48bp-2, 0x1.91c67eb45a83ep-2, 0x1.972a341135159p-2, 0x1.9c86b02dc0862p-2,
    0x1.a1dc064d5b995p-2, 0x1.a72a4966bd9e9p-2, 0x1.ac718c258b0e5p-2, 0x1.b1b1e0ebdfc5ap-2,
    0x1.b6eb59d3cf35cp-2, 0x1.bc1e08b0dad0ap-2, 0x1.c149ff115f027p-2, 0x1.c66f4e3ff6ff9p-2,
    0x1.cb8e0744d7acap-2, 0x1.d0a63ae721e64p-2, 0x1.d5b7f9ae2c684p-2, 0x1.dac353e2c5955p-2,
    0x1.dfc859906d5b5p-2, 0x1.e4c71a8687704p-2, 0x1.e9bfa659861f5p-2, 0x1.eeb20c640ddf3p-2,
    0x1.f39e5bc811e5dp-2, 0x1.f884a36fe9ec1p-2, 0x1.fd64f20f61571p-2, 0x1.011fab125ff8ap-1,
    0x1.0389eefce633cp-1, 0x1.05f14bd26459cp-1, 0x1.0855c884b450ep-1, 0x1.0ab76bece14d2p-1,
    0x1.0d163ccb9d6b8p-1, 0x1.0f7241c9b497dp-1, 0x1.11cb81787ccf8p-1, 0x1.1422025243d45p-1,
    0x1.1675cababa60ep-1, 0x1.18c6e0ff5cf07p-1, 0x1.1b154b57da29ep-1, 0x1.1d610fe677003p-1,
    0x1.1faa34b87094cp-1, 0x1.21f0bfc65beecp-1, 0x1.2434b6f483934p-1, 0x1.26762013430e0p-1,
    0x1.28b500df60783p-1, 0x1.2af15f02640acp-1, 0x1.2d2b4012edc9dp-1, 0x1.2f62a99509546p-1,
    0x1.3197a0fa7fe6ap-1, 0x1.33ca2ba328994p-1, 0x1.35fa4edd36ea0p-1, 0x1.38280fe58797fp-1,
    0x1.3a5373e7ebdf9p-1, 0x1.3c7c7fff73206p-1, 0x1.3ea33936b2f5bp-1, 0x1.40c7a4880dceap-1,
    0x1.42e9c6ddf80bfp-1, 0x1.4509a5133bb0ap-1, 0x1.472743f33aaadp-1, 0x1.4942a83a2fc07p-1,
    0x1.4b5bd6956e273p-1, 0x1.4d72d3a39fd01p-1, 0x1.4f87a3f5026e9p-1, 0x1.519a4c0ba3446p-1,
    0x1.53aad05b99b7cp-1, 0x1.55b9354b40bcep-1, 0x1.57c57f336f191p-1, 0x1.59cfb25fae87fp-1,
    0x1.5bd7d30e71c73p-1, 0x1.5ddde57149923p-1, 0x1.5fe1edad18919p-1, 0x1.61e3efda46467p-1,
};
inline constexpr double kRoundShifter = 0x1.8p52; // adding it rounds to an integer kept in the low bits

inline __m128d gather(const double* table, __m128i index) noexcept
{
    const int i0 = _mm_cvtsi128_si32(index);
    const int i1 = _mm_cvtsi128_si32(_mm_unpackhi_epi64(index, index));
    return _mm_loadh_pd(_mm_load_sd(&table[i0]), &table[i1]);
}
} // namespace fastmath

// e^x for |x| <= 700; below -700 the result is 0 (the true value is under 1e-304), above +700 it
// is e^700. x = (64n + j) ln2 / 64 + r with |r| <= ln2 / 128: a table gives 2^(j/64), a degree-5
// polynomial e^r (evaluated in two halves to keep the dependency chain short), and n goes straight
// into the exponent bits. Within 2 units in the last place of the correctly rounded value.
namespace fastmath
{
// e^x for x already within [-700, 700].
POMELU_ALWAYS_INLINE __m128d expWithinRange(__m128d clamped) noexcept
{
    const __m128d shifter = _mm_set1_pd(kRoundShifter);
    const __m128d shifted = _mm_add_pd(_mm_mul_pd(clamped, _mm_set1_pd(0x1.71547652b82fep+6)), shifter);
    const __m128d n = _mm_sub_pd(shifted, shifter);
    const __m128i ni = _mm_sub_epi64(_mm_castpd_si128(shifted), _mm_castpd_si128(shifter));
    // ln2 / 64 in two parts; n times the first is exact.
    const __m128d r = _mm_sub_pd(_mm_sub_pd(clamped, _mm_mul_pd(n, _mm_set1_pd(0x1.62e42feep-7))),
                                 _mm_mul_pd(n, _mm_set1_pd(0x1.a39ef35793c76p-39)));
    const __m128d r2 = _mm_mul_pd(r, r);
    const __m128d low = _mm_add_pd(_mm_set1_pd(0.5), _mm_mul_pd(r, _mm_set1_pd(1.0 / 6.0)));
    const __m128d high = _mm_add_pd(_mm_set1_pd(1.0 / 24.0), _mm_mul_pd(r, _mm_set1_pd(1.0 / 120.0)));
    const __m128d tail = _mm_add_pd(_mm_mul_pd(r2, low), _mm_mul_pd(_mm_mul_pd(r2, r2), high));
    const __m128d p = _mm_add_pd(_mm_set1_pd(1.0), _mm_add_pd(r, tail));

    const __m128i j = _mm_and_si128(ni, _mm_set1_epi64x(63));
    // (n - j) / 64 is the power of two; shifted into place it adds to the exponent field.
    const __m128i power = _mm_slli_epi64(_mm_sub_epi64(ni, j), 46);
    const __m128d scaled = _mm_mul_pd(gather(kExp2Table, j), p);
    return _mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(scaled), power));
}

// e^(-2|x|), in (0, 1]: the one exponential a tanh needs.
POMELU_ALWAYS_INLINE __m128d expOfMinusTwiceMagnitude(__m128d x) noexcept
{
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), x);
    return expWithinRange(_mm_max_pd(_mm_mul_pd(magnitude, _mm_set1_pd(-2.0)), _mm_set1_pd(-700.0)));
}
} // namespace fastmath

POMELU_ALWAYS_INLINE Lanes expFast(Lanes x) noexcept
{
    const __m128d clamped = _mm_min_pd(_mm_max_pd(x.v, _mm_set1_pd(-700.0)), _mm_set1_pd(700.0));
    const __m128d result = fastmath::expWithinRange(clamped);
    return _mm_andnot_pd(_mm_cmplt_pd(x.v, _mm_set1_pd(-700.0)), result);
}

// tanh(x) = sign(x) (1 - e) / (1 + e) with e = e^(-2|x|) in (0, 1]: no overflow to guard against,
// and beyond |x| = 19 the quotient is 1 within rounding. Within a few 1e-16 of the C library's tanh.
POMELU_ALWAYS_INLINE Lanes tanhFast(Lanes x) noexcept
{
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d e = fastmath::expOfMinusTwiceMagnitude(x.v);
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d t = _mm_div_pd(_mm_sub_pd(one, e), _mm_add_pd(one, e));
    return _mm_or_pd(t, _mm_and_pd(signBit, x.v));
}

// Natural logarithm of positive normal numbers, within about 2e-16 absolutely (relative to the
// result's own size where that is larger): x = 2^k m, m in [1, 2); m = c (1 + r) with c the centre
// of m's table interval, so log x = k ln2 + log c + log(1 + r), |r| < 1/256, the last by a
// degree-6 series. No division.
POMELU_ALWAYS_INLINE Lanes logFast(Lanes x) noexcept
{
    using namespace fastmath;
    const __m128d one = _mm_set1_pd(1.0);
    const __m128i bits = _mm_castpd_si128(x.v);
    const __m128d twoTo52 = _mm_set1_pd(0x1p52);
    const __m128d k =
        _mm_sub_pd(_mm_castsi128_pd(_mm_or_si128(_mm_srli_epi64(bits, 52), _mm_castpd_si128(twoTo52))),
                   _mm_set1_pd(0x1p52 + 1023.0));
    const __m128d m =
        _mm_or_pd(_mm_and_pd(x.v, _mm_castsi128_pd(_mm_set1_epi64x(0x000FFFFFFFFFFFFFll))), one);
    const __m128i interval = _mm_and_si128(_mm_srli_epi64(bits, 45), _mm_set1_epi64x(127));
    const __m128d r = _mm_sub_pd(_mm_mul_pd(m, gather(kLogInverse, interval)), one);

    const __m128d r2 = _mm_mul_pd(r, r);
    const __m128d low = _mm_add_pd(_mm_set1_pd(-0.5), _mm_mul_pd(r, _mm_set1_pd(1.0 / 3.0)));
    const __m128d high = _mm_add_pd(_mm_add_pd(_mm_set1_pd(-0.25), _mm_mul_pd(r, _mm_set1_pd(0.2))),
                                    _mm_mul_pd(r2, _mm_set1_pd(-1.0 / 6.0)));
    const __m128d series = _mm_add_pd(_mm_mul_pd(r2, low), _mm_mul_pd(_mm_mul_pd(r2, r2), high));

    const __m128d lnHigh = _mm_set1_pd(0x1.62e42feep-1); // k times it is exact
    const __m128d lnLow = _mm_set1_pd(0x1.a39ef35793c76p-33);
    const __m128d whole = _mm_add_pd(_mm_mul_pd(k, lnHigh), gather(kLogOfCentre, interval));
    return _mm_add_pd(whole, _mm_add_pd(r, _mm_add_pd(series, _mm_mul_pd(k, lnLow))));
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
inline Lanes tanhFast(Lanes x) noexcept
{
    return {std::tanh(x.lane0()), std::tanh(x.lane1())};
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

// tanh(a) + tanh(b) over one common denominator: one division instead of two.
POMELU_ALWAYS_INLINE Lanes tanhSum(Lanes a, Lanes b) noexcept
{
#ifdef POMELU_LANES_SSE2
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d ea = fastmath::expOfMinusTwiceMagnitude(a.v);
    const __m128d eb = fastmath::expOfMinusTwiceMagnitude(b.v);
    // sign(a) (1 - ea) (1 + eb) + sign(b) (1 - eb) (1 + ea), over (1 + ea) (1 + eb)
    const __m128d na =
        _mm_or_pd(_mm_mul_pd(_mm_sub_pd(one, ea), _mm_add_pd(one, eb)), _mm_and_pd(signBit, a.v));
    const __m128d nb =
        _mm_or_pd(_mm_mul_pd(_mm_sub_pd(one, eb), _mm_add_pd(one, ea)), _mm_and_pd(signBit, b.v));
    return _mm_div_pd(_mm_add_pd(na, nb), _mm_mul_pd(_mm_add_pd(one, ea), _mm_add_pd(one, eb)));
#else
    return tanhFast(a) + tanhFast(b);
#endif
}
inline double tanhSum(double a, double b) noexcept
{
    return tanhSum(Lanes(a), Lanes(b)).lane0();
}

inline double tanhFast(double x) noexcept
{
    return tanhFast(Lanes(x)).lane0();
}

} // namespace pomelu::dsp
