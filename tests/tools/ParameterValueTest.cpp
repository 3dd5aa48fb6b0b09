// SPDX-License-Identifier: GPL-3.0-or-later
#include "Errors.h"
#include "FakeEffect.h"
#include "Parameters.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pomelu::tools;
using pomelu::tools::test::FakeEffect;

namespace
{
const std::vector<ParameterDescription> kTable = FakeEffect().parameters();

// The value parsed, or NaN with the usage error's message.
double parse(const std::string& name, const std::string& text, std::string& error)
{
    try
    {
        return parseParameterValue(findParameter(kTable, name), text);
    }
    catch (const ToolError& e)
    {
        EXPECT_EQ(e.exitCode(), kExitUsageError);
        error = e.what();
        return std::nan("");
    }
}
} // namespace

// The number and text rules are the framework's (tested with IParam); here, that the tool finds a
// parameter by its name in any case and hands the rules each parameter's unit, range and value
// texts, refusing instead of clamping.
TEST(ParameterValueParsing, FindsTheParameterReadsItsUnitAndTextsAndRefusesTheRest)
{
    const struct
    {
        const char *name, *text;
        double value;        // NaN: refused
        const char* message; // part of the refusal
    } cases[] = {
        {"Gain", "-6 dB", -6.0, ""},
        {"  GAIN ", "3", 3.0, ""},
        {"Mute", "OFF", 0.0, ""},
        {"delay feel", "dotted", 1.0, ""},
        {"Delay Feel", "2", 2.0, ""},
        {"Style", "warm bite", 1.0, ""}, // the English half of a two-language text
        {"Gain Knob", "1", NAN, "unknown parameter 'Gain Knob' (see --list-params)"},
        {"Gain", "18.01", NAN, "--set \"Gain=18.01\": out of range -18 .. 18 dB"},
        {"Gain", "-40", NAN, "--set \"Gain=-40\": out of range -18 .. 18 dB"},
        {"Delay Feel", "3", NAN, "out of range 0 .. 2"},
        {"Mute", "-1", NAN, "out of range 0 .. 1"},
        {"Gain", "loud", NAN, "--set \"Gain=loud\": not a number"},
        {"Gain", "nan", NAN, "--set \"Gain=nan\": not a number"},
        {"Gain", "3 ms", NAN, "--set \"Gain=3 ms\": not a number"},
        {"Gain", "", NAN, "--set \"Gain=\": the value is empty"},
        {"Delay Feel", "Swing", NAN,
         "--set \"Delay Feel=Swing\": expected one of 0=Straight | 1=Dotted | 2=Triplet"},
        {"Mute", "maybe", NAN, "expected one of 0=off | 1=on"},
        {"Delay Feel", "1.5", NAN, "expected a whole number"},
    };
    for (const auto& c : cases)
    {
        std::string error;
        const double value = parse(c.name, c.text, error);
        if (std::isnan(c.value))
            EXPECT_NE(error.find(c.message), std::string::npos) << c.name << "=" << c.text << ": " << error;
        else
            EXPECT_EQ(value, c.value) << c.name << "=" << c.text << ": " << error;
    }
}
