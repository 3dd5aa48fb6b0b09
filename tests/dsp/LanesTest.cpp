// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/FastMath.h"
#include "dsp/StereoBiquad.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pomelu::dsp;

namespace
{
// Log-spaced and linear sweeps over a range, both signs where asked.
template <class F> void sweep(double from, double to, int steps, F check)
{
    for (int i = 0; i <= steps; ++i)
        check(from + (to - from) * i / steps);
}
} // namespace

TEST(FastMath, ExpLogAndTanhStayWithinAFewUnitsInTheLastPlaceOfTheCLibrary)
{
    const struct
    {
        double from, to;
    } expRanges[] = {{-700.0, -20.0}, {-20.0, -1e-3}, {-1e-3, 1e-3}, {1e-3, 20.0}, {20.0, 700.0}};
    for (const auto& r : expRanges)
        sweep(r.from, r.to, 20011,
              [](double x) { ASSERT_LE(std::abs(expFast(x) - std::exp(x)), 4.5e-16 * std::exp(x)) << x; });
    EXPECT_EQ(expFast(0.0), 1.0);
    EXPECT_EQ(expFast(-750.0), 0.0) << "below e^-700 the result is zero";

    sweep(-20.7, 20.7, 40009,
          [](double e)
          {
              const double x = std::exp(e); // 1e-9 .. 1e9
              ASSERT_LE(std::abs(logFast(x) - std::log(x)), 2.5e-16 * std::max(1.0, std::abs(std::log(x))))
                  << x;
          });
    sweep(0.999, 1.001, 2001, [](double x) { ASSERT_LE(std::abs(logFast(x) - std::log(x)), 2.5e-16) << x; });

    sweep(-25.0, 25.0, 50021,
          [](double x)
          {
              ASSERT_LE(std::abs(tanhFast(x) - std::tanh(x)), 4.5e-16) << x;
              ASSERT_LE(std::abs(tanhSum(x, 0.37 * x - 0.2) - (std::tanh(x) + std::tanh(0.37 * x - 0.2))),
                        1e-15)
                  << x;
          });
    EXPECT_EQ(tanhFast(30.0), 1.0);
    EXPECT_EQ(tanhFast(-30.0), -1.0);
    EXPECT_TRUE(std::signbit(tanhFast(-0.0)));
}

TEST(FastMath, EachLaneGetsBitForBitWhatItWouldGetAlone)
{
    sweep(-30.0, 30.0, 3001,
          [](double x)
          {
              const double y = 0.61 * x - 3.0;
              const Lanes e = expFast(Lanes(x, y)), t = tanhFast(Lanes(x, y)),
                          l = logFast(Lanes(x * x + 1e-6, 2.0));
              ASSERT_EQ(e.lane0(), expFast(x));
              ASSERT_EQ(e.lane1(), expFast(y));
              ASSERT_EQ(t.lane0(), tanhFast(x));
              ASSERT_EQ(t.lane1(), tanhFast(y));
              ASSERT_EQ(l.lane0(), logFast(x * x + 1e-6));
              ASSERT_EQ(l.lane1(), logFast(2.0));
          });
}

// The stereo stage against two plain sections fed the same, through primes, ramps that end on one
// channel while the other stands still, and one-channel ticks that must leave channel 1 alone.
TEST(StereoBiquad, EachChannelTicksBitForBitAsASectionOfItsOwn)
{
    StereoBiquad pair;
    BiquadSection left, right;
    int n = 0;
    auto tickBoth = [&](int samples)
    {
        for (int i = 0; i < samples; ++i, ++n)
        {
            const double x0 = std::sin(n * 0.31), x1 = 0.7 * std::cos(n * 0.173) + 1e-3;
            const Lanes y = pair.tick(Lanes(x0, x1));
            ASSERT_EQ(y.lane0(), left.tick(x0)) << n;
            ASSERT_EQ(y.lane1(), right.tick(x1)) << n;
        }
    };
    pair.update(2, true, FilterType::Peak, 48000.0, 1000.0, 1.0, 6.0);
    left.prime(FilterType::Peak, 48000.0, 1000.0, 1.0, 6.0);
    right.prime(FilterType::Peak, 48000.0, 1000.0, 1.0, 6.0);
    tickBoth(100);

    pair.update(1, false, FilterType::Peak, 48000.0, 3000.0, 2.0, -6.0); // channel 0 only
    left.setTarget(FilterType::Peak, 48000.0, 3000.0, 2.0, -6.0);
    tickBoth(6000);
    ASSERT_FALSE(left.ramping);
    ASSERT_FALSE(pair.ramping[0]) << "the ramp ended with the section's";

    pair.update(2, false, FilterType::HighShelf, 48000.0, 5000.0, 0.7, 3.0);
    left.setTarget(FilterType::HighShelf, 48000.0, 5000.0, 0.7, 3.0);
    right.setTarget(FilterType::HighShelf, 48000.0, 5000.0, 0.7, 3.0);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(pair.tick(0.25 * i), left.tick(0.25 * i));
    const BiquadSection untouched = pair.channel(1);
    EXPECT_EQ(untouched.z1, right.z1);
    EXPECT_EQ(untouched.current, right.current) << "one-channel ticks leave channel 1 alone";
    tickBoth(400);
}
