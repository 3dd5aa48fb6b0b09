// SPDX-License-Identifier: GPL-3.0-or-later
// The built LV2 bundle loaded through liblilv as a host loads it, against the VST 3 bundle.
#include "AllocationCounter.h"
#include "LockCounter.h"
#include "Lv2Rig.h"
#include "PluginInstance.h"
#include "PluginRig.h"
#include "ReferenceFile.h"
#include "lv2/Lv2Ports.h"

#include "Lv2Identity.h"

#include <lv2/state/state.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using pomelu::host::ParamChange;
using pomelu::host::PluginInstance;
using pomelu::test::Lv2Instance;
using pomelu::test::Lv2World;
using Audio = std::vector<std::vector<float>>;
namespace lv2 = pomelu::lv2;

namespace
{

constexpr int kBlock = 512;
constexpr int kProgramId = 90;
constexpr int kModuleSwitches[] = {pomelu::kPopCut,     pomelu::kSClear, pomelu::kEq,
                                   pomelu::kLeveler,    pomelu::kComp,   pomelu::kClipGuard,
                                   pomelu::kDistortion, pomelu::kPhaser, pomelu::kTremolo,
                                   pomelu::kDelay,      pomelu::kReverb};

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

// Every module on, the rest from "Podcast", the delay synced to the host's tempo. Each value is
// one a VST 3 host reaches exactly through its normalised value (55 % of 0..100 is not: it comes
// back as 55.000000000000007): the next step up that is.
std::vector<double> fullRack(const iplug::IPlugBase& ref)
{
    std::vector<double> v = ref.GetPresetValues(3);
    for (const int idx : kModuleSwitches)
        v[static_cast<std::size_t>(idx)] = 1.0;
    v[pomelu::kDelayWet] = 30.0;
    v[pomelu::kDelaySync] = 1.0;
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

struct Parity
{
    const char* name;
    int preset; // -1: the full rack
    int channels;
    double bpm; // 0: no tempo from the host
};

constexpr Parity kParity[] = {{"Natural", 0, 1, 0},          {"Natural", 0, 2, 0},   {"Singing", 1, 1, 0},
                              {"Singing", 1, 2, 0},          {"Narration", 2, 1, 0}, {"Narration", 2, 2, 0},
                              {"Podcast", 3, 1, 0},          {"Podcast", 3, 2, 0},   {"Gentle", 4, 1, 0},
                              {"Gentle", 4, 2, 0},           {"FullRack", -1, 1, 0}, {"FullRack", -1, 2, 0},
                              {"FullRackAt90Bpm", -1, 2, 90}};

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

    Lv2World world;
    pomelu::test::PlugPtr ref{new pomelu::PomeluRarorudIzad(iplug::InstanceInfo{})};
};

} // namespace

TEST_F(Lv2Plugin, EveryPresetAndTheFullRackSoundBitForBitAsTheVst3PlugIn)
{
    Audio fullRack120;
    for (const Parity& row : kParity)
    {
        SCOPED_TRACE(std::string(row.name) + (row.channels == 1 ? " mono" : " stereo"));
        const Audio in = voice(row.channels);
        Lv2Instance plug(world, uri(row.channels));
        ASSERT_TRUE(plug.ok());
        if (row.preset >= 0)
        {
            LilvState* preset = world.preset(world.plugin(uri(row.channels)), ref->GetPresetName(row.preset));
            ASSERT_NE(preset, nullptr) << "no preset file for " << ref->GetPresetName(row.preset);
            plug.applyState(preset);
            lilv_state_free(preset);
        }
        else
        {
            const std::vector<double> values = fullRack(*ref);
            const iplug::Lv2PortLayout layout{row.channels};
            for (int i = 0; i < pomelu::kNumParams; ++i)
                if (!std::isnan(values[static_cast<std::size_t>(i)]))
                    plug.port(layout.Param(i)) = static_cast<float>(values[static_cast<std::size_t>(i)]);
        }
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

struct ChunkSource
{
    const iplug::IByteChunk* chunk;
    LV2_URID key, type;
};

const void* retrieveChunk(LV2_State_Handle handle, std::uint32_t key, std::size_t* size, std::uint32_t* type,
                          std::uint32_t* flags)
{
    const auto* source = static_cast<const ChunkSource*>(handle);
    if (key != source->key)
        return nullptr;
    *size = static_cast<std::size_t>(source->chunk->Size());
    *type = source->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return source->chunk->GetData();
}

// Restores a state chunk through the plug-in's state interface, as a host restoring a session does.
LV2_State_Status restoreChunk(Lv2World& world, Lv2Instance& plug, const iplug::IByteChunk& chunk)
{
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(plug.get(), LV2_STATE__interface));
    ChunkSource source{&chunk, world.map(lv2::kStateKey), world.map(LV2_ATOM__Chunk)};
    return state->restore(lilv_instance_get_handle(plug.get()), &retrieveChunk, &source, 0, world.features());
}

std::string stateText(Lv2World& world, const LilvState* state)
{
    char* text = lilv_state_to_string(world.world(), world.mapFeature(), world.unmapFeature(), state,
                                      "urn:pomelu:test-state", nullptr);
    std::string s = text != nullptr ? text : "";
    lilv_free(text);
    return s;
}

} // namespace

TEST_F(Lv2Plugin, SavedStateRestoresIntoAFreshInstanceWithTheSameSoundAndBytes)
{
    // A session's state: "Podcast", the modules in reverse order, slot B active.
    pomelu::test::PlugPtr source = pomelu::test::makePlug();
    source->RestorePreset(3);
    pomelu::dsp::ModuleOrder reversed{};
    for (int i = 0; i < pomelu::dsp::kNumModules; ++i)
        reversed[static_cast<std::size_t>(i)] =
            static_cast<pomelu::dsp::ModuleId>(pomelu::dsp::kNumModules - 1 - i);
    ASSERT_TRUE(source->setModuleOrder(reversed, true));
    source->switchCompareSlot();
    iplug::IByteChunk chunk;
    ASSERT_TRUE(source->SerializeState(chunk));

    const Audio in = voice(2);
    LilvState* podcast = world.preset(world.plugin(lv2::kStereoUri), "Podcast");
    ASSERT_NE(podcast, nullptr);
    Lv2Instance defaultOrder(world, lv2::kStereoUri), saved(world, lv2::kStereoUri),
        restored(world, lv2::kStereoUri);
    defaultOrder.applyState(podcast);
    saved.applyState(podcast);
    lilv_state_free(podcast);

    iplug::IByteChunk truncated;
    truncated.PutBytes(chunk.GetData(), chunk.Size() - 9);
    EXPECT_NE(restoreChunk(world, saved, truncated), LV2_STATE_SUCCESS) << "a cut chunk is refused";
    ASSERT_EQ(restoreChunk(world, saved, chunk), LV2_STATE_SUCCESS);
    const Audio savedOut = saved.run(in, kBlock);
    EXPECT_NE(firstDifference(savedOut, defaultOrder.run(in, kBlock)), -1) << "the order came with the state";

    LilvState* state = saved.saveState();
    const std::string text = stateText(world, state);
    lilv_state_free(state);
    LilvState* loaded = lilv_state_new_from_string(world.world(), world.mapFeature(), text.c_str());
    ASSERT_NE(loaded, nullptr) << text;
    restored.applyState(loaded);
    lilv_state_free(loaded);
    EXPECT_EQ(firstDifference(restored.run(in, kBlock), savedOut), -1);
    LilvState* again = restored.saveState();
    EXPECT_EQ(stateText(world, again), text);
    lilv_state_free(again);
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
    const std::vector<double> values = fullRack(*ref);
    for (int i = 0; i < pomelu::kNumParams; ++i)
        if (!std::isnan(values[static_cast<std::size_t>(i)]))
            plug.port(layout.Param(i)) = static_cast<float>(values[static_cast<std::size_t>(i)]);
    for (float& s : plug.audioIn[0])
        s = 0.25f;
    for (const int frames : {1, 7, 512, 0, 3000, 8192})
    {
        plug.queuePosition(80.0 + frames % 50);
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
