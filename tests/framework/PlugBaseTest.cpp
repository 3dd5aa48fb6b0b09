// SPDX-License-Identifier: GPL-3.0-or-later
#include "IPlugBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace iplug;

namespace
{

constexpr double kKeep = std::numeric_limits<double>::quiet_NaN();

class ThreeParams : public IPlugBase
{
public:
    ThreeParams() : IPlugBase(makeConfig())
    {
        GetParam(0)->InitBool("Power", true);
        GetParam(1)->InitDouble("Gain", 0.0, -18.0, 18.0, 0.1, "dB");
        GetParam(2)->InitEnum("Mode", 1, {"A", "B", "C"});
        MakePresetFromValues("Loud", {1.0, 12.0, kKeep});
        MakePresetFromValues("Quiet", {0.0, -30.0, 2.0});
    }

    static Config makeConfig()
    {
        Config c;
        c.nParams = 3;
        c.nPresets = 2;
        return c;
    }

    void OnParamChange(int idx) override { changes.push_back(idx); }

    std::vector<int> changes;
};

class RecordingEditor : public IEditorView
{
public:
    void OnControlMessage(int, int, int, const void*) override {}
    void OnParameterValue(int idx, double normalized) override { values.push_back({idx, normalized}); }
    void RemoveAllControls() override {}
    int Width() const override { return 980; }
    int Height() const override { return 680; }

    std::vector<std::pair<int, double>> values;
};

} // namespace

TEST(PlugBase, UnserializeParamsConstrainsAndReturnsThePositionBehind)
{
    ThreeParams plug;
    IByteChunk chunk;
    const std::uint8_t lead = 9;
    chunk.Put(&lead);
    for (double v : {0.4, 40.0, 2.6})
        chunk.Put(&v);
    EXPECT_EQ(plug.UnserializeParams(chunk, 1), 25);
    EXPECT_EQ(plug.GetParam(0)->Value(), 0.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 18.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 2.0); // 2.6 -> 3, clamped to the last text
    EXPECT_EQ(plug.changes.size(), 3u);
}

TEST(PlugBase, UnserializeParamsTakesFewerValuesOnRequestAndRefusesAShortBlockWhole)
{
    ThreeParams plug;
    IByteChunk chunk;
    const double power = 0.0, gain = 5.0;
    chunk.Put(&power);
    chunk.Put(&gain);
    const std::uint32_t tail = 0;
    chunk.Put(&tail);
    EXPECT_EQ(plug.UnserializeParams(chunk, 0), -1);
    EXPECT_EQ(plug.GetParam(0)->Value(), 1.0) << "nothing changed";
    EXPECT_EQ(plug.GetParam(1)->Value(), 0.0);
    EXPECT_TRUE(plug.changes.empty());
    EXPECT_EQ(plug.UnserializeParams(chunk, 0, 4), -1) << "more values than parameters";
    EXPECT_EQ(plug.UnserializeParams(chunk, 0, 2), 16) << "an older chunk with two values";
    EXPECT_EQ(plug.GetParam(0)->Value(), 0.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 5.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 1.0) << "the third keeps its value";
    EXPECT_EQ(plug.changes.size(), 3u);
}

TEST(PlugBase, PresetsKeepTheirOrderAndRecallConstrainsValuesAndLeavesUnlistedParametersAlone)
{
    ThreeParams plug;
    EXPECT_EQ(plug.NPresets(), 2);
    EXPECT_STREQ(plug.GetPresetName(0), "Loud");
    EXPECT_STREQ(plug.GetPresetName(1), "Quiet");
    EXPECT_STREQ(plug.GetPresetName(2), "");
    EXPECT_FALSE(plug.MakePresetFromValues("Third", {0.0, 0.0, 0.0})); // only two declared
    plug.GetParam(2)->Set(0.0);
    EXPECT_TRUE(plug.RestorePreset(0));
    EXPECT_EQ(plug.GetParam(1)->Value(), 12.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 0.0);
    EXPECT_TRUE(plug.RestorePreset(1));
    EXPECT_EQ(plug.GetParam(1)->Value(), -18.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 2.0);
    EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
    EXPECT_FALSE(plug.RestorePreset(5));
    EXPECT_EQ(plug.changes.size(), 6u);
}

TEST(PlugBase, OnRestoreStatePushesEveryNormalisedValueToTheEditor)
{
    ThreeParams plug;
    RecordingEditor editor;
    plug.OnRestoreState(); // no editor: nowhere to go, no crash
    plug.AttachEditor(&editor);
    plug.OnRestoreState();
    ASSERT_EQ(editor.values.size(), 3u);
    EXPECT_EQ(editor.values[1].first, 1);
    EXPECT_DOUBLE_EQ(editor.values[1].second, 0.5);
    EXPECT_DOUBLE_EQ(editor.values[2].second, 0.5);
}
