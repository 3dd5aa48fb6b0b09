// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/Biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

using namespace pomelu::dsp;

namespace
{
double responseDb(const BiquadCoefficients& c, double frequency, double sampleRate)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * frequency / sampleRate);
    const auto z2 = z1 * z1;
    return 20.0 * std::log10(std::abs((c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2)));
}
} // namespace

TEST(Biquad, FlatPeakAndShelvesAreExactPassThroughBitForBit)
{
    for (auto type : {FilterType::Peak, FilterType::LowShelf, FilterType::HighShelf})
    {
        BiquadSection section;
        section.prime(type, 48000.0, 1234.0, 0.9, 0.0);
        for (int i = 0; i < 1000; ++i)
        {
            const double x = std::sin(i * 0.37) * 0.8 + 1e-3 * i;
            ASSERT_EQ(section.tick(x), x) << "type " << static_cast<int>(type) << " sample " << i;
        }
    }
}

TEST(Biquad, DesignClampsFrequencyToPoint46OfTheSampleRateAndQToPoint08)
{
    EXPECT_EQ(designBiquad(FilterType::LowPass, 44100.0, 22000.0, 0.7, 0.0),
              designBiquad(FilterType::LowPass, 44100.0, 20286.0, 0.7, 0.0));
    EXPECT_EQ(designBiquad(FilterType::HighPass, 48000.0, 1.0, 0.7, 0.0),
              designBiquad(FilterType::HighPass, 48000.0, 10.0, 0.7, 0.0));
    EXPECT_EQ(designBiquad(FilterType::Peak, 48000.0, 1000.0, 0.01, 6.0),
              designBiquad(FilterType::Peak, 48000.0, 1000.0, 0.08, 6.0));
    EXPECT_EQ(designBiquad(static_cast<FilterType>(17), 48000.0, 1000.0, 1.0, 6.0), BiquadCoefficients{});
}

TEST(Biquad, CookbookResponsesHaveTheirTextbookGains)
{
    const double fs = 48000.0;
    // A second-order cut at its corner is Q in linear terms: Q 0.7 is -3.10 dB.
    EXPECT_NEAR(responseDb(designBiquad(FilterType::HighPass, fs, 200.0, 0.7, 0.0), 200.0, fs),
                20 * std::log10(0.7), 1e-9);
    EXPECT_NEAR(responseDb(designBiquad(FilterType::LowPass, fs, 5000.0, 0.7, 0.0), 5000.0, fs),
                20 * std::log10(0.7), 1e-9);
    EXPECT_NEAR(responseDb(designBiquad(FilterType::Peak, fs, 1000.0, 2.0, 6.0), 1000.0, fs), 6.0, 1e-9);
    EXPECT_NEAR(responseDb(designBiquad(FilterType::LowShelf, fs, 300.0, 0.7, -9.0), 10.0, fs), -9.0, 0.05);
    EXPECT_NEAR(responseDb(designBiquad(FilterType::HighShelf, fs, 3000.0, 0.7, 9.0), 20000.0, fs), 9.0, 0.1);
}

TEST(Biquad, SetTargetCoversAbout63PercentOfTheChangeIn3Ms)
{
    BiquadSection section;
    section.prime(FilterType::Peak, 48000.0, 1000.0, 1.0, 0.0);
    section.setTarget(FilterType::Peak, 48000.0, 1000.0, 1.0, 12.0);
    const double start = section.current.b0;
    const double goal = section.target.b0;
    for (int i = 0; i < 144; ++i) // 3 ms at 48 kHz
        section.tick(0.0);
    EXPECT_NEAR((section.current.b0 - start) / (goal - start), 1.0 - std::exp(-1.0), 1e-9);
    EXPECT_TRUE(section.ramping);
    for (int i = 0; i < 48000 && section.ramping; ++i)
        section.tick(0.0);
    EXPECT_FALSE(section.ramping) << "the ramp ends by itself";
    EXPECT_EQ(section.current, section.target);
}

TEST(Biquad, UnchangedTargetStartsNoRampAndPrimeSwitchesAtOnce)
{
    BiquadSection section;
    section.prime(FilterType::HighPass, 48000.0, 80.0, 0.7, 0.0);
    section.setTarget(FilterType::HighPass, 48000.0, 80.0, 0.7, 0.0);
    EXPECT_FALSE(section.ramping);
    section.prime(FilterType::HighPass, 48000.0, 300.0, 0.7, 0.0);
    EXPECT_EQ(section.current, designBiquad(FilterType::HighPass, 48000.0, 300.0, 0.7, 0.0));
    section.clear();
    EXPECT_EQ(section.current, BiquadCoefficients{});
    EXPECT_FALSE(section.valid);
    EXPECT_EQ(section.frequency, 300.0) << "clearing keeps the design parameters";
}
