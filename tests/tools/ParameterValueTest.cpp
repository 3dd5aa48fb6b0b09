// SPDX-License-Identifier: GPL-3.0-or-later
#include "Errors.h"
#include "FakeEffect.h"
#include "Parameters.h"

#include <gtest/gtest.h>

using namespace pomelu::tools;
using pomelu::tools::test::FakeEffect;

namespace
{
const std::vector<ParameterDescription>& table()
{
    static const std::vector<ParameterDescription> parameters = FakeEffect().parameters();
    return parameters;
}

double valueFor(const std::string& name, const std::string& text)
{
    return parseParameterValue(findParameter(table(), name), text);
}

std::string errorFor(const std::string& name, const std::string& text)
{
    try
    {
        valueFor(name, text);
    }
    catch (const ToolError& error)
    {
        EXPECT_EQ(error.exitCode(), kExitUsageError);
        return error.what();
    }
    return "";
}
} // namespace

TEST(ParameterLookup, FindsParametersByDisplayNameIgnoringCaseAndRefusesUnknownNames)
{
    EXPECT_EQ(findParameter(table(), "delay feel").index, FakeEffect::kFeel);
    EXPECT_EQ(findParameter(table(), "  GAIN ").index, FakeEffect::kGain);
    try
    {
        findParameter(table(), "Gain Knob");
        FAIL() << "expected a usage error";
    }
    catch (const ToolError& error)
    {
        EXPECT_EQ(error.exitCode(), kExitUsageError);
        EXPECT_STREQ(error.what(), "unknown parameter 'Gain Knob' (see --list-params)");
    }
}

// The number and text rules are the framework's (tested with IParam); here, that the tool hands
// them each parameter's unit and value texts.
TEST(ParameterValueParsing, ReadsNumbersWithTheUnitAndValueTextsInEitherLanguage)
{
    EXPECT_EQ(valueFor("Gain", "-6 dB"), -6.0);
    EXPECT_EQ(valueFor("Mute", "OFF"), 0.0);
    EXPECT_EQ(valueFor("Delay Feel", "dotted"), 1.0);
    EXPECT_EQ(valueFor("Delay Feel", "2"), 2.0);
    EXPECT_EQ(valueFor("Style", "warm bite"), 1.0) << "English half of a two-language text";
}

TEST(ParameterValueParsing, RefusesValuesOutsideTheRangeInsteadOfClamping)
{
    EXPECT_EQ(errorFor("Gain", "18.01"), "--set \"Gain=18.01\": out of range -18 .. 18 dB");
    EXPECT_EQ(errorFor("Gain", "-40"), "--set \"Gain=-40\": out of range -18 .. 18 dB");
    EXPECT_NE(errorFor("Delay Feel", "3").find("out of range 0 .. 2"), std::string::npos);
    EXPECT_NE(errorFor("Mute", "-1").find("out of range 0 .. 1"), std::string::npos);
}

TEST(ParameterValueParsing, RefusesTextThatIsNoNumberAndNoValueText)
{
    EXPECT_EQ(errorFor("Gain", "loud"), "--set \"Gain=loud\": not a number");
    EXPECT_EQ(errorFor("Gain", "nan"), "--set \"Gain=nan\": not a number");
    EXPECT_EQ(errorFor("Gain", "3 ms"), "--set \"Gain=3 ms\": not a number");
    EXPECT_EQ(errorFor("Gain", ""), "--set \"Gain=\": the value is empty");
    EXPECT_EQ(errorFor("Delay Feel", "Swing"),
              "--set \"Delay Feel=Swing\": expected one of 0=Straight | 1=Dotted | 2=Triplet");
    EXPECT_NE(errorFor("Mute", "maybe").find("expected one of 0=off | 1=on"), std::string::npos);
    EXPECT_NE(errorFor("Delay Feel", "1.5").find("expected a whole number"), std::string::npos);
}
