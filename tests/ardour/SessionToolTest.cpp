// The pieces the Ardour tests rely on to read and edit a saved session: if these were wrong, the
// session tests could pass or fail for reasons that have nothing to do with the plug-in.
#include "AudioCompare.h"
#include "Base64.h"
#include "PresetContainer.h"
#include "SessionFile.h"
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
std::vector<std::uint8_t> bytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}

void appendLe(std::vector<std::uint8_t>& out, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A preset container as the SDK writes it: header, "Comp" and "Cont" data, chunk list.
std::vector<std::uint8_t> makeContainer(const std::vector<std::uint8_t>& component,
                                        const std::vector<std::uint8_t>& controller)
{
    std::vector<std::uint8_t> out = bytesOf("VST3");
    appendLe(out, 1, 4);
    const auto classId = bytesOf("0123456789ABCDEF0123456789ABCDEF");
    out.insert(out.end(), classId.begin(), classId.end());
    const std::size_t listOffsetPos = out.size();
    appendLe(out, 0, 8);
    const std::size_t componentPos = out.size();
    out.insert(out.end(), component.begin(), component.end());
    const std::size_t controllerPos = out.size();
    out.insert(out.end(), controller.begin(), controller.end());
    const std::size_t listPos = out.size();
    for (int i = 0; i < 8; ++i)
        out[listOffsetPos + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(listPos >> (8 * i));
    const auto list = bytesOf("List");
    out.insert(out.end(), list.begin(), list.end());
    appendLe(out, 2, 4);
    const auto comp = bytesOf("Comp"), cont = bytesOf("Cont");
    out.insert(out.end(), comp.begin(), comp.end());
    appendLe(out, componentPos, 8);
    appendLe(out, component.size(), 8);
    out.insert(out.end(), cont.begin(), cont.end());
    appendLe(out, controllerPos, 8);
    appendLe(out, controller.size(), 8);
    return out;
}

// A version 4 state with current value i for parameter i, default order, no slots, bypass word 0.
std::vector<std::uint8_t> makeState()
{
    std::vector<std::uint8_t> state = bytesOf("4REP");
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
    appendLe(state, 0, 4);
    return state;
}
} // namespace

TEST(Base64, EncodesTheStandardVectorsWithPadding)
{
    EXPECT_EQ(encodeBase64(bytesOf("Man")), "TWFu");
    EXPECT_EQ(encodeBase64(bytesOf("Ma")), "TWE=");
    EXPECT_EQ(encodeBase64(bytesOf("M")), "TQ==");
    EXPECT_EQ(encodeBase64({}), "");
}

TEST(Base64, DecodesWhatItEncodesForEveryByteValueAndLength)
{
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 259; ++i)
    {
        const auto decoded = decodeBase64(encodeBase64(bytes));
        ASSERT_TRUE(decoded.has_value()) << "length " << bytes.size();
        EXPECT_EQ(*decoded, bytes) << "length " << bytes.size();
        bytes.push_back(static_cast<std::uint8_t>(255 - i));
    }
}

TEST(Base64, SkipsLineBreaksAndRejectsForeignCharactersAndCutText)
{
    EXPECT_EQ(decodeBase64("TW\nFu\r\n TWE="), bytesOf("ManMa"));
    EXPECT_FALSE(decodeBase64("TW*u").has_value());
    EXPECT_FALSE(decodeBase64("TWF").has_value());
    EXPECT_FALSE(decodeBase64("TQ==TWFu").has_value());
}

TEST(PresetContainer, FindsTheComponentAndControllerChunks)
{
    const auto container = makeContainer(bytesOf("component state"), bytesOf("ctl"));
    std::string error;
    const auto parsed = parseContainer(container, error);
    ASSERT_TRUE(parsed.has_value()) << error;
    EXPECT_EQ(parsed->classId, "0123456789ABCDEF0123456789ABCDEF");
    ASSERT_EQ(parsed->entries.size(), 2u);
    EXPECT_EQ(entryBytes(container, *parsed, "Comp"), bytesOf("component state"));
    EXPECT_EQ(entryBytes(container, *parsed, "Cont"), bytesOf("ctl"));
    EXPECT_FALSE(entryBytes(container, *parsed, "Info").has_value());
}

TEST(PresetContainer, RefusesAChunkReachingPastTheEnd)
{
    auto container = makeContainer(bytesOf("component state"), bytesOf("ctl"));
    container[container.size() - 8] = 200; // size of "Cont"
    std::string error;
    EXPECT_FALSE(parseContainer(container, error).has_value());
    EXPECT_NE(error.find("Cont"), std::string::npos) << error;
}

TEST(SessionFile, FindsTheChunkOfTheNamedProcessorOnly)
{
    const std::string session = "<Routes><Processor id=\"1\" name=\"Other\"><chunk>AAAA</chunk></Processor>"
                                "<Processor id=\"2\" name=\"Pomelu Rarorud Izad\" type=\"vst3\">"
                                "<Port id=\"0\"/><chunk>TWFu</chunk></Processor></Routes>";
    std::string error;
    const auto chunk = findChunkText(session, "Pomelu Rarorud Izad", error);
    ASSERT_TRUE(chunk.has_value()) << error;
    EXPECT_EQ(session.substr(chunk->begin, chunk->end - chunk->begin), "TWFu");
    EXPECT_FALSE(findChunkText(session, "Missing", error).has_value());
}

TEST(StateLayout, ChecksSizeMagicAndCounts)
{
    auto state = makeState();
    EXPECT_EQ(state.size(), 2190u);
    EXPECT_EQ(checkState(state), "");
    state[0] = '3';
    EXPECT_NE(checkState(state), "");
    state = makeState();
    state.pop_back();
    EXPECT_NE(checkState(state), "");
}

TEST(StateLayout, SetOrdersWritesTheCurrentOrderAndBothSlotOrders)
{
    auto state = makeState();
    const auto order = parseOrder("8,7,6,2,1,0,3,4,5,9,10");
    ASSERT_TRUE(order.has_value());
    setOrders(state, *order);
    EXPECT_EQ(currentOrder(state), *order);
    EXPECT_EQ(slotOrder(state, 0), *order);
    EXPECT_EQ(slotOrder(state, 1), *order);
    EXPECT_EQ(currentValue(state, 88), 88.0) << "the values behind the orders moved";
}

TEST(StateLayout, FillCompareSlotsActivatesSlotBHoldingTheCurrentSettings)
{
    auto state = makeState();
    auto other = makeState();
    for (int param = 0; param < kParamCount; ++param)
    {
        const double value = -param - 0.5;
        std::memcpy(other.data() + kCurrentValuesPos + static_cast<std::size_t>(param) * 8, &value, 8);
    }
    const auto slotAOrder = *parseOrder("0,2,1,3,7,6,5,4,8,10,9");
    fillCompareSlots(state, other, slotAOrder);

    EXPECT_EQ(state[kActiveSlotPos], 1);
    EXPECT_EQ(state[kCapturedPos], 1);
    EXPECT_EQ(slotValue(state, 0, 17), -17.5);
    EXPECT_EQ(slotValue(state, 1, 17), 17.0);
    EXPECT_EQ(slotOrder(state, 0), slotAOrder);
    EXPECT_EQ(slotOrder(state, 1), currentOrder(state));
}

TEST(StateLayout, SetLiveValueAlsoWritesTheActiveSlotOnceCaptured)
{
    auto state = makeState();
    setLiveValue(state, 21, 4.5);
    EXPECT_EQ(currentValue(state, 21), 4.5);
    EXPECT_EQ(slotValue(state, 0, 21), 0.0);
    EXPECT_EQ(slotValue(state, 1, 21), 0.0);

    fillCompareSlots(state, makeState(), *parseOrder("0,2,1,3,7,6,5,4,8,10,9"));
    setLiveValue(state, 21, 6.0);
    EXPECT_EQ(currentValue(state, 21), 6.0);
    EXPECT_EQ(slotValue(state, 0, 21), 21.0);
    EXPECT_EQ(slotValue(state, 1, 21), 6.0);
}

TEST(StateLayout, DescribesEachDifferingField)
{
    const auto before = makeState();
    auto after = before;
    setSlotValue(after, 0, 17, -18.0);
    after[kCurrentOrderPos] = 3;
    after[kCapturedPos] = 1;
    const auto lines = describeDifferences(before, after);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "captured flag: 0 -> 1");
    EXPECT_EQ(lines[1], "slot A value 17: 0 -> -18");
    EXPECT_EQ(lines[2].rfind("current order: 0,1,", 0), 0u) << lines[2];
    EXPECT_TRUE(describeDifferences(before, before).empty());
}

TEST(StateLayout, ToleratesHostRoundTripsInLiveValuesOnly)
{
    auto before = makeState();
    fillCompareSlots(before, makeState(), *parseOrder("0,2,1,3,7,6,5,4,8,10,9"));
    auto after = before;
    const double moved = 55.000000000000007; // 0.55 from the host, times 100
    std::memcpy(after.data() + kCurrentValuesPos + 55 * 8, &moved, 8);
    setSlotValue(after, 1, 55, moved); // slot B is active: the writer copies the current values there
    EXPECT_TRUE(describeDifferences(before, after, 1e-12).empty());
    EXPECT_EQ(describeDifferences(before, after).size(), 2u);

    setSlotValue(after, 0, 55, moved); // slot A is stored only: no tolerance
    const auto lines = describeDifferences(before, after, 1e-12);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("slot A value 55:", 0), 0u) << lines[0];
}

TEST(StateLayout, ParseOrderTakesElevenDistinctIdsOnly)
{
    EXPECT_TRUE(parseOrder("10,9,8,7,6,5,4,3,2,1,0").has_value());
    EXPECT_FALSE(parseOrder("0,1,2,3,4,5,6,7,8,9,9").has_value());
    EXPECT_FALSE(parseOrder("0,1,2,3,4,5,6,7,8,9").has_value());
    EXPECT_FALSE(parseOrder("0,1,2,3,4,5,6,7,8,9,11").has_value());
    EXPECT_FALSE(parseOrder("0,1,2,3,4,5,6,7,8,9,a").has_value());
}

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
