// SPDX-License-Identifier: GPL-3.0-or-later
#include "IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

using iplug::IParam;

namespace
{
std::string display(const IParam& p, double plain)
{
    std::string s;
    p.GetDisplay(plain, s);
    return s;
}
} // namespace

TEST(Param, BoolRoundsToTheNearestWholeValue)
{
    IParam p;
    p.InitBool("Comp", false);
    p.Set(0.4);
    EXPECT_EQ(p.Value(), 0.0);
    p.Set(0.6);
    EXPECT_EQ(p.Value(), 1.0);
    EXPECT_EQ(p.Type(), IParam::kTypeBool);
    EXPECT_TRUE(p.GetStepped());
    EXPECT_EQ(p.GetStepCount(), 1);
    EXPECT_STREQ(p.GetLabel(), "");
    EXPECT_EQ(display(p, 0.0), "off");
    EXPECT_EQ(display(p, 1.0), "on");
}

TEST(Param, EnumSnapsToTheNearestIndexAndClampsToTheList)
{
    IParam p;
    p.InitEnum("Theme", 0, {"Pomelu", "Dark", "Cool", "Extra"});
    p.Set(2.6);
    EXPECT_EQ(p.Value(), 3.0);
    p.Set(7.0);
    EXPECT_EQ(p.Value(), 3.0);
    p.Set(-1.0);
    EXPECT_EQ(p.Value(), 0.0);
    EXPECT_EQ(p.GetStepCount(), 3);
    EXPECT_EQ(p.NDisplayTexts(), 4);
    EXPECT_STREQ(p.GetDisplayText(1), "Dark");
    EXPECT_EQ(p.GetDisplayText(4), nullptr);
    EXPECT_EQ(display(p, 2.0), "Cool");
}

TEST(Param, DoubleClampsButKeepsOffStepValuesAndConstrainsItsDefault)
{
    IParam p;
    p.InitDouble("S Clear Focus", 7200.0, 4000.0, 12000.0, 10.0, "Hz");
    p.Set(7205.0);
    EXPECT_EQ(p.Value(), 7205.0);
    EXPECT_EQ(display(p, p.Value()), "7205");
    p.Set(20000.0);
    EXPECT_EQ(p.Value(), 12000.0);
    EXPECT_FALSE(p.GetStepped());
    EXPECT_EQ(p.GetStepCount(), 0);
    EXPECT_STREQ(p.GetLabel(), "Hz");

    IParam ceiling;
    ceiling.InitDouble("Ceiling", 3.0, -6.0, -0.1, 0.1, "dB");
    EXPECT_EQ(ceiling.GetDefault(), -0.1) << "the default is constrained at init";
    ceiling.Set(-5.0);
    ceiling.SetToDefault();
    EXPECT_EQ(ceiling.Value(), -0.1);
}

TEST(Param, NormalisedValueIsLinearInTheRangeAndSnapsForEnums)
{
    IParam p;
    p.InitDouble("Comp Ratio", 3.0, 1.0, 20.0, 0.1, ":1");
    EXPECT_DOUBLE_EQ(p.ToNormalized(1.0), 0.0);
    EXPECT_DOUBLE_EQ(p.ToNormalized(20.0), 1.0);
    EXPECT_DOUBLE_EQ(p.ToNormalized(10.5), 0.5);
    EXPECT_DOUBLE_EQ(p.FromNormalized(0.5), 10.5);
    EXPECT_DOUBLE_EQ(p.GetDefault(true), 2.0 / 19.0);
    EXPECT_EQ(p.ToNormalized(25.0), 1.0);
    EXPECT_EQ(p.FromNormalized(1.7), 20.0);
    p.Set(25.0);
    EXPECT_EQ(p.Value(), 20.0);
    p.SetNormalized(0.0);
    EXPECT_EQ(p.Value(), 1.0);

    IParam e;
    e.InitEnum("Delay Feel", 0, {"Straight", "Dotted", "Triplet"});
    EXPECT_EQ(e.FromNormalized(0.3), 1.0) << "an enum snaps to an index";
    EXPECT_EQ(e.FromNormalized(0.74), 1.0);
    EXPECT_EQ(e.FromNormalized(0.76), 2.0);
    EXPECT_DOUBLE_EQ(e.ToNormalized(1.0), 0.5);
}

TEST(Param, NaNIsIgnoredBySettersAndConstrainGivesTheDefault)
{
    IParam p;
    p.InitDouble("Output", 0.0, -18.0, 18.0, 0.1, "dB");
    p.Set(4.0);
    p.Set(std::numeric_limits<double>::quiet_NaN());
    p.SetNormalized(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(p.Value(), 4.0);
    EXPECT_EQ(p.Constrain(std::numeric_limits<double>::quiet_NaN()), 0.0);
    p.Set(std::numeric_limits<double>::infinity());
    EXPECT_EQ(p.Value(), 18.0);
}

TEST(Param, StringToValueReadsTextsAndNumbersInAnyLocaleAndRefusesTheRest)
{
    IParam division, time, power, style;
    division.InitEnum("Tremolo Division", 3, {"1/1", "1/2", "1/4", "1/8", "1/16"});
    time.InitDouble("Delay Time", 280.0, 10.0, 2000.0, 1.0, "ms");
    power.InitBool("Delay", false);
    style.InitEnum("Distortion Style", 0, {"Soft Bloom / ふんわり", "Warm Bite / あたたか"});
    const double refused = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        const IParam& param;
        const char* text;
        double plain;
    } cases[] = {
        // clang-format off
        {division, "1/16", 4.0}, {division, "2", 2.0}, {division, "2.5", refused},
        {time, "350 ms", 350.0}, {time, " 350MS ", 350.0}, {time, "+1e3", 1000.0}, {time, "5000", 2000.0},
        {time, "0.5e-300", 10.0}, {time, "fast", refused}, {time, "350 Hz", refused}, {time, "3,5", refused},
        {time, "inf", refused}, {time, "", refused}, {power, "ON", 1.0}, {power, "0", 0.0},
        {style, "warm bite", 1.0}, {style, "Soft Bloom / ふんわり", 0.0},
        // clang-format on
    };
    for (const auto& c : cases)
    {
        const std::optional<double> plain = c.param.StringToValue(c.text);
        if (std::isnan(c.plain))
            EXPECT_FALSE(plain.has_value()) << '"' << c.text << '"';
        else
            EXPECT_EQ(plain.value_or(refused), c.plain) << '"' << c.text << '"';
    }
}
