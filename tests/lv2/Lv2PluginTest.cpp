// SPDX-License-Identifier: GPL-3.0-or-later
// The built LV2 bundle loaded through liblilv as a host loads it, against the VST 3 bundle.
#include "AllocationCounter.h"
#include "LockCounter.h"
#include "Lv2Host.h"
#include "PluginInstance.h"
#include "PluginRig.h"
#include "Presets.h"
#include "ReferenceFile.h"
#include "lv2/Lv2Ports.h"

#include "Lv2Identity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using pomelu::host::Lv2Instance;
using pomelu::host::Lv2World;
using pomelu::host::ParamChange;
using pomelu::host::PluginInstance;
using Audio = std::vector<std::vector<float>>;
namespace lv2 = pomelu::lv2;

namespace
{

constexpr int kBlock = 512;
constexpr int kProgramId = 90;
// Three seconds of the example voice; the right channel a later, quieter copy.
Audio voice(int channels)
{
    static const std::vector<double> file = pomelu::test::readFirstChannel(POMELU_VOICE_FILE);
    const std::size_t n = std::min<std::size_t>(file.size(), 3 * 48000);
    Audio in(static_cast<std::size_t>(channels), std::vector<float>(n, 0.0f));
    for (std::size_t i = 0; i < n; ++i)
    {
        in[0][i] = static_cast<float>(file[i]);
        if (channels > 1 && i >= 300)
            in[1][i] = static_cast<float>(0.7 * file[i - 300]);
    }
    return in;
}

// Every switch on but the bypass (all modules, both EQ cuts, stereo delay, tempo sync of delay and
// tremolo), the rest from "Podcast" and some wet signal. Each value is
// one a VST 3 host reaches exactly through its normalised value (55 % of 0..100 is not: it comes
// back as 55.000000000000007): the next step up that is.
std::vector<double> fullRack(const iplug::IPlugBase& ref)
{
    std::vector<double> v = ref.GetPresetValues(3);
    for (int i = 0; i < pomelu::kNumParams; ++i)
        if (ref.GetParam(i)->Type() == iplug::IParam::kTypeBool && i != pomelu::kBypass)
            v[static_cast<std::size_t>(i)] = 1.0;
    v[pomelu::kDelayWet] = 30.0;
    v[pomelu::kReverbWet] = 25.0;
    v[pomelu::kTremoloDepth] = 40.0;
    v[pomelu::kDistortionMix] = 35.0;
    for (int i = 0; i < pomelu::kNumParams; ++i)
    {
        const iplug::IParam& p = *ref.GetParam(i);
        double& x = v[static_cast<std::size_t>(i)];
        while (!std::isnan(x) && p.FromNormalized(p.ToNormalized(x)) != x)
            x += p.GetStep();
    }
    return v;
}

void setFullRack(Lv2Instance& plug, const iplug::IPlugBase& ref, int channels)
{
    const std::vector<double> values = fullRack(ref);
    for (int i = 0; i < pomelu::kNumParams; ++i)
        if (!std::isnan(values[static_cast<std::size_t>(i)]))
            plug.port(iplug::Lv2PortLayout{channels}.Param(i)) =
                static_cast<float>(values[static_cast<std::size_t>(i)]);
}

struct Parity
{
    int preset; // -1: the full rack
    int channels;
    double bpm; // 0: no tempo from the host
};

// Every preset and the full rack, mono and stereo, and the full rack with the delay synced at 90 BPM.
std::vector<Parity> parityRows()
{
    std::vector<Parity> rows;
    for (int preset = -1; preset < pomelu::kNumPresets; ++preset)
        for (const int channels : {1, 2})
            rows.push_back({preset, channels, 0.0});
    rows.push_back({-1, 2, 90.0});
    return rows;
}

// The file the bundle holds for a factory preset.
std::string presetUri(const char* name)
{
    std::string uri = lv2::kPresetUriPrefix;
    for (const char* c = name; *c != '\0'; ++c)
        uri += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    return uri;
}

// The VST 3 bundle's 32-bit output for the same settings, blocks and tempo.
Audio vst3Output(const Parity& row, const iplug::IPlugBase& ref, const Audio& in)
{
    PluginInstance vst3;
    EXPECT_TRUE(vst3.open(POMELU_VST3_BUNDLE_DIR)) << vst3.lastError();
    EXPECT_TRUE(vst3.setup(48000.0, kBlock, Steinberg::Vst::kSample32,
                           row.channels == 1 ? Steinberg::Vst::SpeakerArr::kMono
                                             : Steinberg::Vst::SpeakerArr::kStereo));
    std::vector<ParamChange> changes;
    if (row.preset >= 0)
        changes.push_back({kProgramId, row.preset / 4.0, 0});
    else
    {
        const std::vector<double> values = fullRack(ref);
        for (int i = 0; i < pomelu::kNumParams; ++i)
            if (!std::isnan(values[static_cast<std::size_t>(i)]))
                changes.push_back({static_cast<Steinberg::Vst::ParamID>(i),
                                   ref.GetParam(i)->ToNormalized(values[static_cast<std::size_t>(i)]), 0});
    }
    const std::size_t n = in[0].size();
    Audio out(in.size(), std::vector<float>(n));
    for (std::size_t pos = 0; pos < n; pos += kBlock)
    {
        const int frames = static_cast<int>(std::min<std::size_t>(kBlock, n - pos));
        float* ins[2] = {const_cast<float*>(in[0].data() + pos),
                         in.size() > 1 ? const_cast<float*>(in[1].data() + pos) : nullptr};
        float* outs[2] = {out[0].data() + pos, out.size() > 1 ? out[1].data() + pos : nullptr};
        vst3.process32(ins, outs, row.channels, row.channels, frames, changes, row.bpm);
        changes.clear();
    }
    return out;
}

// The index of the first sample that differs, -1 when every bit is the same.
long firstDifference(const Audio& a, const Audio& b)
{
    for (std::size_t c = 0; c < a.size(); ++c)
        for (std::size_t i = 0; i < a[c].size(); ++i)
            if (std::memcmp(&a[c][i], &b[c][i], sizeof(float)) != 0)
                return static_cast<long>(i);
    return -1;
}

class Lv2Plugin : public testing::Test
{
protected:
    const char* uri(int channels) const { return channels == 1 ? lv2::kMonoUri : lv2::kStereoUri; }

    Lv2World world{POMELU_LV2_BUNDLE_DIR};
    pomelu::test::PlugPtr ref{new pomelu::PomeluRarorudIzad(iplug::InstanceInfo{})};
};

} // namespace

TEST_F(Lv2Plugin, EveryPresetAndTheFullRackSoundBitForBitAsTheVst3PlugIn)
{
    Audio fullRack120;
    for (const Parity& row : parityRows())
    {
        SCOPED_TRACE((row.preset >= 0 ? ref->GetPresetName(row.preset) : "full rack") +
                     std::string(row.channels == 1 ? " mono" : " stereo") + " at " + std::to_string(row.bpm));
        const Audio in = voice(row.channels);
        Lv2Instance plug(world, uri(row.channels));
        ASSERT_TRUE(plug.ok());
        if (row.preset >= 0)
        {
            LilvState* preset = world.preset(presetUri(ref->GetPresetName(row.preset)));
            ASSERT_NE(preset, nullptr) << "no preset file for " << ref->GetPresetName(row.preset);
            plug.applyState(preset);
            lilv_state_free(preset);
        }
        else
            setFullRack(plug, *ref, row.channels);
        const Audio out = plug.run(in, kBlock, row.bpm);
        EXPECT_EQ(firstDifference(out, vst3Output(row, *ref, in)), -1);
        EXPECT_GT(*std::max_element(out[0].begin(), out[0].end()), 0.01f);
        if (row.preset < 0 && row.channels == 2 && row.bpm == 0)
            fullRack120 = out;
        if (row.bpm == 90)
        {
            EXPECT_NE(firstDifference(out, fullRack120), -1) << "the synced delay follows the host's tempo";
        }
    }
}

namespace
{

// A state that sets only the module order, in reverse, as a host would restore it.
constexpr const char* kReversedOrder = R"(
<urn:pomelu:reversed> a <http://lv2plug.in/ns/ext/presets#Preset> ;
    <http://lv2plug.in/ns/lv2core#appliesTo> <https://pomelu.example/lv2/rarorud-izad/stereo> ;
    <http://lv2plug.in/ns/ext/state#state> [
        <https://pomelu.example/lv2/rarorud-izad#moduleOrder> "10 9 8 7 6 5 4 3 2 1 0" ] .
)";

std::string stateText(Lv2World& world, LilvState* state)
{
    char* text = lilv_state_to_string(world.world(), world.mapFeature(), world.unmapFeature(), state,
                                      "urn:pomelu:test-state", nullptr);
    std::string s = text != nullptr ? text : "";
    lilv_free(text);
    lilv_state_free(state);
    return s;
}

} // namespace

TEST_F(Lv2Plugin, SavedStateRestoresIntoAFreshInstanceWithTheSameSoundAndBytes)
{
    const Audio in = voice(2);
    LilvState* podcast = world.preset(presetUri("Podcast"));
    LilvState* reversed = lilv_state_new_from_string(world.world(), world.mapFeature(), kReversedOrder);
    ASSERT_TRUE(podcast != nullptr && reversed != nullptr);
    Lv2Instance defaultOrder(world, lv2::kStereoUri), saved(world, lv2::kStereoUri),
        restored(world, lv2::kStereoUri);
    defaultOrder.applyState(podcast);
    saved.applyState(podcast);
    saved.applyState(reversed);
    lilv_state_free(podcast);
    lilv_state_free(reversed);
    const Audio savedOut = saved.run(in, kBlock);
    EXPECT_NE(firstDifference(savedOut, defaultOrder.run(in, kBlock)), -1) << "the state set the order";

    const std::string text = stateText(world, saved.saveState());
    LilvState* loaded = lilv_state_new_from_string(world.world(), world.mapFeature(), text.c_str());
    ASSERT_NE(loaded, nullptr) << text;
    restored.applyState(loaded);
    lilv_state_free(loaded);
    EXPECT_EQ(firstDifference(restored.run(in, kBlock), savedOut), -1);
    EXPECT_EQ(stateText(world, restored.saveState()), text);
}

TEST_F(Lv2Plugin, HostEdgesAreSafeAndRunNeverAllocatesOrLocks)
{
    const LilvPlugin* stereo = world.plugin(lv2::kStereoUri);
    for (const double rate : {0.0, 7999.0, 384001.0, 8000.0, 384000.0})
    {
        LilvInstance* instance = lilv_plugin_instantiate(stereo, rate, world.features());
        EXPECT_EQ(instance != nullptr, rate >= 8000.0 && rate <= 384000.0) << rate;
        if (instance == nullptr)
            continue;
        // Nothing connected, or audio connected to NULL: runs of 0 and 256 frames.
        lilv_instance_activate(instance);
        lilv_instance_run(instance, 0);
        lilv_instance_run(instance, 256);
        for (std::uint32_t port = 0; port < 4; ++port)
            lilv_instance_connect_port(instance, port, nullptr);
        lilv_instance_run(instance, 256);
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    EXPECT_EQ(lilv_plugin_instantiate(stereo, 48000.0, nullptr), nullptr) << "urid:map is required";

    // Blocks of any length, a tempo and a knob moving on every block: no allocation or lock in run.
    Lv2Instance plug(world, lv2::kStereoUri);
    const iplug::Lv2PortLayout layout{2};
    setFullRack(plug, *ref, 2);
    for (float& s : plug.audioIn[0])
        s = 0.25f;
    for (const int frames : {1, 7, 512, 0, 3000, 8192})
    {
        plug.pendingBpm = 80.0 + frames % 50;
        plug.port(layout.Param(pomelu::kCompThreshold)) = -20.0f - static_cast<float>(frames % 7);
        const std::size_t locks = pomelu::test::threadMutexLockCount();
        pomelu::test::AllocationScope scope;
        plug.runBlock(frames);
        EXPECT_EQ(scope.allocations(), 0u) << frames << " frames";
        EXPECT_EQ(pomelu::test::threadMutexLockCount(), locks) << frames << " frames";
    }

    // The host's bypass: the input passes untouched.
    plug.port(layout.Enabled()) = 0.0f;
    plug.runBlock(512);
    EXPECT_EQ(std::memcmp(plug.audioOut[0].data(), plug.audioIn[0].data(), 512 * sizeof(float)), 0);
}
