// SPDX-License-Identifier: GPL-3.0-or-later
// The built bundle, loaded and driven as a host drives it, checked against the engine run directly.
#include "PluginInstance.h"
#include "PluginRig.h"
#include "PomeluRarorudIzad.h"
#include "Signals.h"
#include "Utf16.h"

#include "pluginterfaces/vst/ivstunits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using pomelu::host::ParamChange;
using pomelu::host::PluginInstance;

namespace
{

constexpr ParamID kBypassId = 89;
constexpr ParamID kProgramId = 90;

std::string utf8(const char16* s)
{
    return iplug::Utf16ToUtf8(reinterpret_cast<const char16_t*>(s));
}

class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(host.open(POMELU_VST3_BUNDLE_DIR)) << host.lastError(); }

    double normalized(int idx, double plain) { return ref->GetParam(idx)->ToNormalized(plain); }

    // Engine run directly over the same input in the same blocks.
    std::vector<std::vector<double>> engineOutput(const pomelu::dsp::RackSettings& s, double sr, int block,
                                                  const std::vector<std::vector<double>>& in, int nCh)
    {
        pomelu::dsp::RackEngine engine;
        engine.prepare(sr, block);
        const std::size_t n = in[0].size();
        std::vector<std::vector<double>> out(static_cast<std::size_t>(nCh), std::vector<double>(n, 0.0));
        for (std::size_t pos = 0; pos < n; pos += static_cast<std::size_t>(block))
        {
            const double* ins[2] = {in[0].data() + pos, nCh > 1 ? in[1].data() + pos : nullptr};
            double* outs[2] = {out[0].data() + pos, nCh > 1 ? out[1].data() + pos : nullptr};
            engine.applySettings(s);
            engine.process(ins, outs, nCh, nCh, block);
        }
        return out;
    }

    PluginInstance host;
    // The plug-in class built in this process, as the reference for names, ranges and settings.
    pomelu::test::PlugPtr ref{new pomelu::PomeluRarorudIzad(iplug::InstanceInfo{})};
};

} // namespace

TEST_F(EndToEnd, FactoryDescribesOneAudioEffectClass)
{
    IPluginFactory* f = host.factory();
    PFactoryInfo info;
    ASSERT_EQ(f->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Pomelu ZEZ");
    EXPECT_EQ(info.flags, 16);
    ASSERT_EQ(f->countClasses(), 1);

    IPluginFactory2* f2 = nullptr;
    ASSERT_EQ(f->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&f2)), kResultOk);
    PClassInfo2 ci;
    ASSERT_EQ(f2->getClassInfo2(0, &ci), kResultOk);
    EXPECT_STREQ(ci.category, "Audio Module Class");
    EXPECT_STREQ(ci.name, "Pomelu Rarorud Izad");
    EXPECT_EQ(ci.cardinality, 0x7FFFFFFF);
    EXPECT_EQ(ci.classFlags, 2u);
    EXPECT_STREQ(ci.subCategories, "Fx|Dynamics|EQ");
    EXPECT_STREQ(ci.vendor, "");
    EXPECT_STREQ(ci.version, "1.0.0");
    EXPECT_STREQ(ci.sdkVersion, "VST 3.8.1");
    const FUID cid = FUID::fromTUID(ci.cid);
    EXPECT_EQ(cid.getLong3(), 0x506D5A7Au) << "third word: the maker code";
    EXPECT_EQ(cid.getLong4(), 0x5072497Au) << "fourth word: the plug-in code";
    f2->release();

    IPluginFactory3* f3 = nullptr;
    ASSERT_EQ(f->queryInterface(IPluginFactory3::iid, reinterpret_cast<void**>(&f3)), kResultOk);
    PClassInfoW cw;
    ASSERT_EQ(f3->getClassInfoUnicode(0, &cw), kResultOk);
    EXPECT_EQ(utf8(cw.name), "Pomelu Rarorud Izad");
    EXPECT_EQ(utf8(cw.sdkVersion), "VST 3.8.1");
    f3->release();
}

TEST_F(EndToEnd, PublishesNinetyOneParametersWithNamesUnitsStepsAndDefaults)
{
    IEditController* c = host.controller();
    ASSERT_EQ(c->getParameterCount(), 91);
    for (int i = 0; i < 89; ++i)
    {
        ParameterInfo info;
        ASSERT_EQ(c->getParameterInfo(i, info), kResultOk) << i;
        const iplug::IParam* p = ref->GetParam(i);
        EXPECT_EQ(info.id, static_cast<ParamID>(i));
        EXPECT_EQ(utf8(info.title), p->GetName()) << i;
        EXPECT_EQ(utf8(info.units), p->GetLabel()) << i;
        EXPECT_EQ(info.stepCount, p->GetStepCount()) << i;
        EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, p->GetDefault(true)) << i;
        EXPECT_NE(info.flags & ParameterInfo::kCanAutomate, 0) << i;
        EXPECT_EQ(info.flags & (ParameterInfo::kIsBypass | ParameterInfo::kIsProgramChange), 0) << i;
    }
    ParameterInfo info;
    ASSERT_EQ(c->getParameterInfo(3, info), kResultOk);
    EXPECT_EQ(utf8(info.title), "Pop Cut Frequency");
    EXPECT_EQ(utf8(info.units), "Hz");
    ASSERT_EQ(c->getParameterInfo(79, info), kResultOk);
    EXPECT_EQ(utf8(info.title), "Tremolo Division");
    EXPECT_EQ(info.stepCount, 4);
    EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, 0.75);

    ASSERT_EQ(c->getParameterInfo(89, info), kResultOk);
    EXPECT_EQ(utf8(info.title), "Host Bypass") << "hosts list it beside the plug-in's own \"Bypass\"";
    EXPECT_EQ(info.id, kBypassId);
    EXPECT_EQ(info.stepCount, 1);
    EXPECT_NE(info.flags & ParameterInfo::kIsBypass, 0);
    ASSERT_EQ(c->getParameterInfo(90, info), kResultOk);
    EXPECT_EQ(info.id, kProgramId);
    EXPECT_EQ(info.stepCount, 4);
    EXPECT_NE(info.flags & ParameterInfo::kIsProgramChange, 0);
    EXPECT_NE(c->getParameterInfo(91, info), kResultOk);
    std::set<std::string> titles;
    for (int i = 0; i < 91; ++i)
        if (c->getParameterInfo(i, info) == kResultOk)
            titles.insert(utf8(info.title));
    EXPECT_EQ(titles.size(), 91u) << "no two parameters share a title";
}

TEST_F(EndToEnd, ValueTextsReadAndWriteTheSameInAHostWithACommaLocale)
{
    struct CommaLocale
    {
        const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
        const bool set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        ~CommaLocale() { std::setlocale(LC_NUMERIC, previous.c_str()); }
    } locale;
    if (!locale.set)
        GTEST_SKIP() << "no de_DE.UTF-8 locale here (scripts/setup.sh makes one)";
    IEditController* c = host.controller();
    String128 s;
    const std::pair<ParamID, double> plainValues[] = {{pomelu::kSClearFocus, 7205.0},
                                                      {pomelu::kInput, -6.5},
                                                      {pomelu::kPhaserRate, 0.35},
                                                      {pomelu::kInput, -0.04}};
    const char* shown[] = {"7205", "-6.5", "0.35", "0.0"};
    for (std::size_t i = 0; i < std::size(shown); ++i)
    {
        const auto [id, plain] = plainValues[i];
        ASSERT_EQ(c->getParamStringByValue(id, normalized(static_cast<int>(id), plain), s), kResultOk);
        EXPECT_EQ(utf8(s), shown[i]);
    }
    ASSERT_EQ(c->getParamStringByValue(pomelu::kDistortionStyle, 1.0, s), kResultOk);
    EXPECT_EQ(utf8(s), "Chaos Ring / 大暴れ");
    ASSERT_EQ(c->getParamStringByValue(kProgramId, 0.5, s), kResultOk);
    EXPECT_EQ(utf8(s), "Narration");

    struct Typed
    {
        ParamID id;
        const char* text;
        double plain; // NaN: refused
    };
    const double refused = std::numeric_limits<double>::quiet_NaN();
    const Typed typed[] = {
        // clang-format off
        {pomelu::kInput, "-6.5", -6.5}, {pomelu::kInput, " -6.5 dB ", -6.5}, {pomelu::kInput, "+25", 18.0},
        {pomelu::kCompRatio, "4.5", 4.5}, {pomelu::kCompRatio, "abc", refused}, {pomelu::kCompRatio, "4,5", refused},
        {pomelu::kCompRatio, "", refused}, {pomelu::kInput, "nan", refused}, {pomelu::kInput, "3 ms", refused},
        {pomelu::kDelayFeel, "Dotted", 1.0}, {pomelu::kDelayFeel, "2", 2.0}, {pomelu::kDelayFeel, "1.5", refused},
        {pomelu::kDistortionStyle, "warm bite", 1.0},
        // clang-format on
    };
    for (const Typed& t : typed)
    {
        ParamValue v = -1.0;
        iplug::Utf8ToUtf16(t.text, reinterpret_cast<char16_t*>(s), 128);
        const tresult result = c->getParamValueByString(t.id, s, v);
        if (std::isnan(t.plain))
        {
            EXPECT_EQ(result, kResultFalse) << '"' << t.text << '"';
            EXPECT_EQ(v, -1.0) << '"' << t.text << '"';
        }
        else
        {
            EXPECT_EQ(result, kResultOk) << '"' << t.text << '"';
            EXPECT_DOUBLE_EQ(v, normalized(static_cast<int>(t.id), t.plain)) << '"' << t.text << '"';
        }
    }
}

TEST_F(EndToEnd, ProgramListNamesTheFivePresetsInOrder)
{
    IUnitInfo* units = nullptr;
    ASSERT_EQ(host.component()->queryInterface(IUnitInfo::iid, reinterpret_cast<void**>(&units)), kResultOk);
    ASSERT_EQ(units->getProgramListCount(), 1);
    ProgramListInfo list;
    ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
    ASSERT_EQ(list.programCount, 5);
    const char* names[] = {"Natural", "Singing", "Narration", "Podcast", "Gentle"};
    for (int i = 0; i < 5; ++i)
    {
        String128 name;
        ASSERT_EQ(units->getProgramName(list.id, i, name), kResultOk);
        EXPECT_EQ(utf8(name), names[i]);
    }
    units->release();
}

TEST_F(EndToEnd, AcceptsMonoAndStereoBusesAndRefusesEverythingElse)
{
    IAudioProcessor* p = host.processor();
    SpeakerArrangement mono = SpeakerArr::kMono, stereo = SpeakerArr::kStereo, surround = SpeakerArr::k51;
    EXPECT_EQ(p->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
    SpeakerArrangement arr = 0;
    p->getBusArrangement(kOutput, 0, arr);
    EXPECT_EQ(arr, SpeakerArr::kMono);
    EXPECT_EQ(p->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
    EXPECT_NE(p->setBusArrangements(&mono, 1, &stereo, 1), kResultTrue);
    EXPECT_NE(p->setBusArrangements(&stereo, 1, &mono, 1), kResultTrue);
    EXPECT_NE(p->setBusArrangements(&surround, 1, &surround, 1), kResultTrue);
    SpeakerArrangement two[2] = {stereo, stereo};
    EXPECT_NE(p->setBusArrangements(two, 2, two, 2), kResultTrue);
    EXPECT_NE(p->setBusArrangements(nullptr, 0, &stereo, 1), kResultTrue);
    p->getBusArrangement(kInput, 0, arr);
    EXPECT_EQ(arr, SpeakerArr::kStereo) << "a refused arrangement changes nothing";
}

TEST_F(EndToEnd, BlocksMatchTheEngineRunDirectlyWithParameterChangesAndTempo)
{
    // Sent in the first block of a case; the settings add up from case to case.
    using Plain = std::vector<std::pair<int, double>>;
    const Plain compTremoloEq = {{pomelu::kComp, 1.0},        {pomelu::kCompThreshold, -30.0},
                                 {pomelu::kTremolo, 1.0},     {pomelu::kTremoloDepth, 70.0},
                                 {pomelu::kTremoloSync, 1.0}, {pomelu::kEqMid, 6.0}};
    const Plain distortion = {{pomelu::kDistortion, 1.0}, {pomelu::kDistortionMix, 80.0}}, none;
    const struct
    {
        const char* what;
        int32 sampleSize;
        double rate;
        int block, blocks, channels;
        double tempo;
        const Plain& plain;
        double frequencies[2];
    } cases[] = {
        {"64 bit, stereo, 90 bpm", kSample64, 48000.0, 480, 10, 2, 90.0, compTremoloEq, {200.0, 310.0}},
        {"32 bit, stereo, no tempo", kSample32, 44100.0, 256, 8, 2, 0.0, distortion, {440.0, 660.0}},
        {"64 bit, mono", kSample64, 48000.0, 512, 4, 1, 0.0, none, {1000.0, 0.0}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const bool is32 = c.sampleSize == kSample32;
        ASSERT_TRUE(host.setup(c.rate, c.block, c.sampleSize,
                               c.channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo));
        std::vector<ParamChange> changes;
        for (const auto& [idx, plain] : c.plain)
        {
            changes.push_back({static_cast<ParamID>(idx), normalized(idx, plain), 0});
            ref->GetParam(idx)->SetNormalized(changes.back().value);
        }
        const int n = c.block * c.blocks;
        std::vector<std::vector<double>> in,
            out(static_cast<std::size_t>(c.channels), std::vector<double>(n));
        std::vector<std::vector<float>> in32, out32(out.size(), std::vector<float>(n));
        for (int ch = 0; ch < c.channels; ++ch)
        {
            in.push_back(pomelu::test::sine(c.frequencies[ch], c.rate, n, 0.5));
            in32.emplace_back(in.back().begin(), in.back().end());
            if (is32)
                in.back().assign(in32.back().begin(), in32.back().end()); // what the host sent
        }
        for (int pos = 0; pos < n; pos += c.block)
        {
            double* ins[2] = {};
            double* outs[2] = {};
            float* ins32[2] = {};
            float* outs32[2] = {};
            for (int ch = 0; ch < c.channels; ++ch)
            {
                ins[ch] = in[ch].data() + pos;
                outs[ch] = out[ch].data() + pos;
                ins32[ch] = in32[ch].data() + pos;
                outs32[ch] = out32[ch].data() + pos;
            }
            const std::vector<ParamChange>& now = pos == 0 ? changes : std::vector<ParamChange>{};
            ASSERT_EQ(is32 ? host.process32(ins32, outs32, c.channels, c.channels, c.block, now, c.tempo)
                           : host.process64(ins, outs, c.channels, c.channels, c.block, now, c.tempo),
                      kResultOk);
        }
        const auto expected = engineOutput(
            pomelu::fillRackSettings(pomelu::liveValues(*ref), c.tempo, pomelu::dsp::defaultModuleOrder()),
            c.rate, c.block, in, c.channels);
        for (int ch = 0; ch < c.channels; ++ch)
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(is32 ? out32[ch][i] : out[ch][i],
                          is32 ? static_cast<float>(expected[ch][i]) : expected[ch][i])
                    << "channel " << ch << " sample " << i;

        if (c.tempo > 0.0) // the tempo mattered: at 120 beats per minute the synced tremolo differs
        {
            const auto at120 = engineOutput(
                pomelu::fillRackSettings(pomelu::liveValues(*ref), 120.0, pomelu::dsp::defaultModuleOrder()),
                c.rate, c.block, in, 2);
            double diff = 0.0;
            for (int i = 0; i < n; ++i)
                diff = std::max(diff, std::fabs(at120[0][i] - out[0][i]));
            EXPECT_GT(diff, 1e-3);
        }
    }
}

TEST_F(EndToEnd, AHostEchoingAValueAsA32BitFloatDoesNotNudgeIt)
{
    ASSERT_TRUE(host.setup(48000.0, 256, kSample64));
    IEditController* c = host.controller();
    const double exact = c->getParamNormalized(pomelu::kEqLowMidQ); // Q 1.0
    const double echoed = static_cast<float>(exact);
    ASSERT_NE(echoed, exact);
    c->setParamNormalized(pomelu::kEqLowMidQ, echoed);
    EXPECT_EQ(c->getParamNormalized(pomelu::kEqLowMidQ), exact);
    ASSERT_EQ(host.process64(nullptr, nullptr, 0, 0, 0, {{pomelu::kEqLowMidQ, echoed, 0}}), kResultOk);
    EXPECT_EQ(c->normalizedParamToPlain(pomelu::kEqLowMidQ, c->getParamNormalized(pomelu::kEqLowMidQ)), 1.0);
    // A real change is taken, also from a block of no frames (hosts flush parameters that way).
    ASSERT_EQ(host.process64(nullptr, nullptr, 0, 0, 0, {{pomelu::kEqLowMidQ, 0.5, 0}}), kResultOk);
    EXPECT_EQ(c->getParamNormalized(pomelu::kEqLowMidQ), 0.5);
}

TEST_F(EndToEnd, StateCarriesTheBypassAndProgramWordsBehindTheChunk)
{
    ASSERT_TRUE(host.setup(48000.0, 256, kSample64));
    IEditController* c = host.controller();
    c->setParamNormalized(kProgramId, 0.5); // "Narration", then the user's own changes
    c->setParamNormalized(pomelu::kCompRatio, 0.5);
    c->setParamNormalized(pomelu::kTheme, 1.0);
    c->setParamNormalized(kBypassId, 1.0);
    std::vector<std::uint8_t> state;
    ASSERT_TRUE(host.getState(state));

    iplug::IByteChunk chunk;
    ASSERT_TRUE(ref->SerializeState(chunk));
    ASSERT_EQ(state.size(), static_cast<std::size_t>(chunk.Size()) + 8);
    std::uint32_t words[2] = {};
    std::memcpy(words, state.data() + chunk.Size(), 8);
    EXPECT_EQ(words[0], 1u) << "bypass word";
    EXPECT_EQ(words[1], 2u) << "program word";

    // Another instance on another program takes every value back, the program included, and saves
    // the same bytes; a state of the older layout, without the program word, means the first program.
    PluginInstance second;
    ASSERT_TRUE(second.open(POMELU_VST3_BUNDLE_DIR)) << second.lastError();
    second.controller()->setParamNormalized(kProgramId, 1.0);
    ASSERT_TRUE(second.setState(state));
    for (ParamID id = 0; id < 91; ++id)
        EXPECT_DOUBLE_EQ(second.controller()->getParamNormalized(id), c->getParamNormalized(id)) << id;
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(second.getState(again));
    EXPECT_EQ(again, state);

    const std::vector<std::uint8_t> older(state.begin(), state.end() - 4);
    ASSERT_TRUE(second.setState(older));
    EXPECT_EQ(second.controller()->getParamNormalized(kProgramId), 0.0);
    EXPECT_EQ(second.controller()->getParamNormalized(kBypassId), 1.0);
    ASSERT_TRUE(second.getState(again));
    EXPECT_TRUE(std::equal(older.begin(), older.end(), again.begin()));
}

TEST_F(EndToEnd, ProgramChangeFromTheControllerRecallsTheFactoryPreset)
{
    // The program parameter's value picks round(value x 4), halves away from zero; each preset is
    // known here by a value of its own (their full lists are checked with the presets).
    IEditController* c = host.controller();
    const auto plain = [c](int idx) { return c->normalizedParamToPlain(idx, c->getParamNormalized(idx)); };
    ASSERT_EQ(c->setParamNormalized(kProgramId, 1.0), kResultOk);
    EXPECT_DOUBLE_EQ(plain(pomelu::kCompRatio), 1.7) << "Gentle";
    EXPECT_EQ(c->getParamNormalized(kProgramId), 1.0);
    ASSERT_EQ(c->setParamNormalized(kProgramId, 0.125), kResultOk);
    EXPECT_DOUBLE_EQ(plain(pomelu::kSClearFocus), 7600.0) << "Singing";
    ASSERT_EQ(c->setParamNormalized(kProgramId, 0.0), kResultOk);
    EXPECT_EQ(c->getParamNormalized(pomelu::kLeveler), 0.0) << "Natural";
}

TEST_F(EndToEnd, ReportsNoLatencyAndAnEightSecondTailThenTerminatesAndExitsTheModule)
{
    ASSERT_TRUE(host.setup(48000.0, 256, kSample64));
    EXPECT_EQ(host.processor()->getLatencySamples(), 0u);
    EXPECT_EQ(host.processor()->getTailSamples(), 384000u);
    EXPECT_EQ(host.processor()->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(host.processor()->canProcessSampleSize(kSample64), kResultTrue);
    host.releaseInstance();
    EXPECT_TRUE(host.unload());
}
