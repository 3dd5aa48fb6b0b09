// The two comparisons the Ardour tests pass or fail on: if these missed a difference, the session
// tests would pass whatever the plug-in did.
#include "AudioCompare.h"
#include "StateLayout.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <unistd.h>

using namespace pomelu::ardour;

namespace
{
void appendLe(std::vector<std::uint8_t>& out, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A version 4 state with current value i for parameter i, default order, no slots, bypass and
// program words 0.
std::vector<std::uint8_t> makeState()
{
    std::vector<std::uint8_t> state{'4', 'R', 'E', 'P'};
    appendLe(state, kParamCount, 4);
    appendLe(state, 0, 4);
    state.push_back(0);
    state.resize(state.size() + 2 * kParamCount * 8, 0);
    appendLe(state, kModuleCount, 4);
    for (int copy = 0; copy < 3; ++copy)
        for (int id = 0; id < kModuleCount; ++id)
            state.push_back(static_cast<std::uint8_t>(id));
    for (int param = 0; param < kParamCount; ++param)
        appendLe(state, std::bit_cast<std::uint64_t>(static_cast<double>(param)), 8);
    appendLe(state, 0, 8);
    return state;
}
} // namespace

// The reload test passes when this finds no difference: a blind spot here would hide a lost setting.
TEST(StateLayout, DescribesEachDifferingFieldAndToleratesHostRoundTripsInLiveValuesOnly)
{
    const auto plain = makeState();
    auto changed = plain;
    setSlotValue(changed, 0, 17, -18.0);
    changed[kCurrentOrderPos] = 3;
    changed[kCapturedPos] = 1;
    const auto lines = describeDifferences(plain, changed);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "captured flag: 0 -> 1");
    EXPECT_EQ(lines[1], "slot A value 17: 0 -> -18");
    EXPECT_EQ(lines[2].rfind("current order: 0,1,", 0), 0u) << lines[2];
    EXPECT_TRUE(describeDifferences(plain, plain).empty());

    auto before = makeState();
    fillCompareSlots(before, makeState(), *parseOrder("0,2,1,3,7,6,5,4,8,10,9"));
    auto after = before;
    const double moved = 55.000000000000007; // 0.55 from the host, times 100
    std::memcpy(after.data() + kCurrentValuesPos + 55 * 8, &moved, 8);
    setSlotValue(after, 1, 55, moved); // slot B is active: the writer copies the current values there
    EXPECT_TRUE(describeDifferences(before, after, 1e-12).empty());
    EXPECT_EQ(describeDifferences(before, after).size(), 2u);

    setSlotValue(after, 0, 55, moved); // slot A is stored only: no tolerance
    const auto stored = describeDifferences(before, after, 1e-12);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].rfind("slot A value 55:", 0), 0u) << stored[0];
}

// The render test passes when this finds the files alike.
TEST(AudioCompare, ReportsTheLargestDifferenceAndWhereItIs)
{
    const auto dir =
        std::filesystem::temp_directory_path() / ("pomelu-ardour-compare-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto write = [&](const std::string& name, const std::vector<float>& interleaved)
    {
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open((dir / name).c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / 2));
        sf_close(file);
    };
    std::vector<float> reference(200, 0.25f), test(200, 0.25f);
    test[2 * 10 + 1] = 0.9f;  // before the start frame: ignored
    test[2 * 70 + 1] = 0.26f; // frame 70, right channel
    write("test.wav", test);
    write("reference.wav", reference);

    AudioComparison result;
    std::string error;
    ASSERT_TRUE(
        compareAudioFiles((dir / "test.wav").string(), (dir / "reference.wav").string(), 50, result, error))
        << error;
    EXPECT_EQ(result.frames, 50);
    EXPECT_NEAR(result.maxDifference, 0.01, 1e-6);
    EXPECT_EQ(result.worstFrame, 70);
    EXPECT_EQ(result.worstChannel, 1);
    EXPECT_NEAR(result.referencePeak, 0.25, 1e-9);
    std::filesystem::remove_all(dir);
}
