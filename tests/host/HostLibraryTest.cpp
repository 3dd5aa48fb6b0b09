// SPDX-License-Identifier: GPL-3.0-or-later
// The host's plumbing on its own: the state stream, the parameter queues, the transport in the
// process context, and how loading and adopting refuse what cannot be hosted.
#include "AllocationCounter.h"
#include "BlockData.h"
#include "MemoryStream.h"
#include "Module.h"
#include "ParameterChanges.h"
#include "PluginInstance.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace pomelu::host;
using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(MemoryStream, ReadsWritesAndSeeksLikeAFile)
{
    MemoryStream s;
    char abc[] = "abc", z[] = "z", buffer[8] = {};
    int32 done = -1;
    int64 at = -1;
    ASSERT_EQ(s.write(abc, 3, &done), kResultOk);
    EXPECT_EQ(done, 3);
    ASSERT_EQ(s.seek(1, IBStream::kIBSeekSet, &at), kResultOk);
    ASSERT_EQ(s.read(buffer, 8, &done), kResultOk);
    EXPECT_EQ(done, 2) << "a read is short only at the end";
    EXPECT_EQ(std::string(buffer, 2), "bc");
    ASSERT_EQ(s.seek(2, IBStream::kIBSeekEnd, &at), kResultOk);
    EXPECT_EQ(at, 5);
    ASSERT_EQ(s.read(buffer, 8, &done), kResultOk);
    EXPECT_EQ(done, 0);
    ASSERT_EQ(s.write(z, 1, &done), kResultOk);
    EXPECT_EQ(s.data, (std::vector<std::uint8_t>{'a', 'b', 'c', 0, 0, 'z'}))
        << "the gap is filled with zeros";

    // Refusals move nothing.
    EXPECT_EQ(s.seek(-7, IBStream::kIBSeekCur, &at), kInvalidArgument);
    EXPECT_EQ(s.seek(0, 7, &at), kInvalidArgument);
    EXPECT_EQ(s.seek(INT64_MAX, IBStream::kIBSeekCur, &at), kInvalidArgument);
    EXPECT_EQ(s.read(nullptr, 1, &done), kInvalidArgument);
    EXPECT_EQ(s.write(abc, -1, &done), kInvalidArgument);
    EXPECT_EQ(s.tell(nullptr), kInvalidArgument);
    ASSERT_EQ(s.tell(&at), kResultOk);
    EXPECT_EQ(at, 6);
}

TEST(ParameterChanges, OneQueuePerIdWithItsPointsInOffsetOrder)
{
    ParameterChanges changes(2, 3);
    const std::vector<ParamChange> list = {{7, 0.5, 100}, {3, 0.1, 0}, {7, 0.2, 10}, {7, 0.9, 100}};
    ASSERT_TRUE(changes.set(list));
    ASSERT_EQ(changes.getParameterCount(), 2);
    IParamValueQueue* q = changes.getParameterData(0);
    ASSERT_EQ(q->getParameterId(), 7u);
    const struct
    {
        int32 offset;
        double value;
    } expected[] = {{10, 0.2}, {100, 0.5}, {100, 0.9}};
    ASSERT_EQ(q->getPointCount(), 3);
    for (int32 i = 0; i < 3; ++i)
    {
        int32 offset = -1;
        ParamValue value = -1;
        ASSERT_EQ(q->getPoint(i, offset, value), kResultOk);
        EXPECT_EQ(offset, expected[i].offset) << i;
        EXPECT_EQ(value, expected[i].value) << i;
    }
    int32 offset;
    ParamValue value;
    EXPECT_EQ(q->getPoint(3, offset, value), kInvalidArgument);
    EXPECT_EQ(changes.getParameterData(2), nullptr);
}

TEST(ParameterChanges, FillsWithoutAllocatingAndRefusesWhatDoesNotFit)
{
    ParameterChanges changes(2, 2);
    const std::vector<ParamChange> tooMany = {
        {1, 0.1, 0}, {2, 0.2, 0}, {3, 0.3, 0}, {1, 0.4, 5}, {1, 0.5, 9}};
    bool fitted = true;
    {
        pomelu::test::AllocationScope scope;
        for (int round = 0; round < 3; ++round)
            fitted = changes.set(tooMany);
        EXPECT_EQ(scope.allocations(), 0u);
    }
    EXPECT_FALSE(fitted);
    ASSERT_EQ(changes.getParameterCount(), 2) << "the third id found no queue";
    EXPECT_EQ(changes.getParameterData(0)->getPointCount(), 2) << "the third point for id 1 found no room";
    int32 index = 0;
    EXPECT_EQ(changes.addParameterData(3, index), nullptr);
    EXPECT_EQ(index, -1);
    changes.clear();
    EXPECT_EQ(changes.getParameterCount(), 0);
}

TEST(ProcessContext, CarriesTheTransportAHostReports)
{
    const struct
    {
        double sampleRate, tempo;
        int64 position;
        bool playing;
        double quarterNotes;
    } cases[] = {
        {48000.0, 120.0, 48000, true, 2.0}, // one second at 120 beats per minute
        {44100.0, 90.0, 22050, true, 0.75}, //
        {48000.0, 0.0, 4800, false, 0.0},   // no tempo: stopped
        {0.0, 100.0, 512, true, 0.0},       // no sample rate: no musical position, and no NaN
    };
    for (const auto& c : cases)
    {
        const ProcessContext ctx = makeProcessContext(c.sampleRate, c.tempo, c.position);
        EXPECT_EQ((ctx.state & ProcessContext::kPlaying) != 0, c.playing) << c.tempo;
        EXPECT_EQ((ctx.state & ProcessContext::kTempoValid) != 0, c.tempo > 0.0) << c.tempo;
        EXPECT_EQ(ctx.projectTimeSamples, c.position);
        EXPECT_EQ(ctx.continousTimeSamples, c.position);
        EXPECT_DOUBLE_EQ(ctx.projectTimeMusic, c.quarterNotes) << c.tempo;
        if (c.playing)
        {
            EXPECT_EQ(ctx.tempo, c.tempo);
            EXPECT_EQ(ctx.timeSigNumerator * 10 + ctx.timeSigDenominator, 44);
        }
    }
}

TEST(Module, FindsTheModuleInsideABundleAndExplainsWhatCannotBeLoaded)
{
    const std::pair<const char*, const char*> paths[] = {
        {"/usr/lib/vst3/A B.vst3", "/usr/lib/vst3/A B.vst3/Contents/x86_64-linux/A B.so"},
        {"/usr/lib/vst3/A B.vst3//", "/usr/lib/vst3/A B.vst3/Contents/x86_64-linux/A B.so"},
        {"plugins/C", "plugins/C/Contents/x86_64-linux/C.so"},
    };
    for (const auto& [bundle, module] : paths)
        EXPECT_EQ(Module::modulePath(bundle), module);

    // A bundle whose module is not a shared object at all.
    const std::filesystem::path bundle =
        std::filesystem::temp_directory_path() / "pomelu-host-test-Fake.vst3";
    std::filesystem::create_directories(bundle / "Contents/x86_64-linux");
    std::FILE* f = std::fopen((bundle / "Contents/x86_64-linux/pomelu-host-test-Fake.so").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("not an ELF file", f);
    std::fclose(f);

    for (const std::string& path : {std::string("/nonexistent/Missing.vst3"), bundle.string()})
    {
        PluginInstance instance;
        EXPECT_FALSE(instance.open(path));
        EXPECT_NE(instance.lastError().find(Module::modulePath(path)), std::string::npos)
            << instance.lastError();
        EXPECT_EQ(instance.factory(), nullptr);
        EXPECT_TRUE(instance.unload());
    }
    std::filesystem::remove_all(bundle);
}

TEST(PluginInstance, RefusesAnObjectThatIsNoEffectAndReleasesIt)
{
    struct Unknown final : FUnknown
    {
        tresult PLUGIN_API queryInterface(const TUID, void** obj) override
        {
            *obj = nullptr;
            return kNoInterface;
        }
        uint32 PLUGIN_API addRef() override { return ++refs; }
        uint32 PLUGIN_API release() override { return --refs; }
        uint32 refs = 1;
    } object;

    PluginInstance instance;
    EXPECT_FALSE(instance.adopt(&object));
    EXPECT_NE(instance.lastError().find("IComponent"), std::string::npos) << instance.lastError();
    EXPECT_EQ(object.refs, 0u);
    EXPECT_FALSE(instance.adopt(nullptr));
    EXPECT_FALSE(instance.setup(48000.0, 512));
    EXPECT_EQ(instance.process64(nullptr, nullptr, 0, 0, 16), kNotInitialized);
    std::vector<std::uint8_t> state;
    EXPECT_FALSE(instance.getState(state));
    EXPECT_FALSE(instance.setState(state));
}
