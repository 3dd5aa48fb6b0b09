// Helper for the Ardour session tests: reads and writes the plug-in's state inside a saved session,
// edits its module order and compare slots, and compares rendered audio.
//
//   state-get SESSION.ardour OUT.state        write the plug-in's component state
//   state-put SESSION.ardour IN.state         replace it (component, and the controller copy if any)
//   set-order IN.state OUT.state ORDER        ORDER: eleven module ids, "8,7,6,2,1,0,3,4,5,9,10"
//   fill-slots IN.state SLOT_A.state ORDER_A OUT.state
//   set-value IN.state OUT.state INDEX VALUE  a parameter value as the plug-in writes it after a change
//   show IN.state                             print active slot, flag, orders and current values
//   diff BEFORE.state AFTER.state [TOL]       exit 0 when equal, 1 listing the differing fields; current
//                                             values may differ by the relative tolerance TOL
//   compare TEST.wav REF.wav FROM_FRAME TOLERANCE          exit 0 when every sample is within TOLERANCE
//   compare-differs TEST.wav REF.wav FROM_FRAME MIN_DIFF   exit 0 when some sample differs by MIN_DIFF
//
// Exit status: 0 success, 1 check failed, 2 usage or file error.
#include "AudioCompare.h"
#include "Base64.h"
#include "PresetContainer.h"
#include "SessionFile.h"
#include "StateLayout.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

using namespace pomelu::ardour;

namespace
{
constexpr const char* kProcessorName = "Pomelu Rarorud Izad";

int fail(const std::string& message)
{
    std::cerr << "pomelu-ardour-tool: " << message << "\n";
    return 2;
}

bool readBinary(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot open " + path;
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool writeBinary(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
    {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool readState(const std::string& path, std::vector<std::uint8_t>& state, std::string& error)
{
    if (!readBinary(path, state, error))
        return false;
    error = checkState(state);
    if (!error.empty())
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

// The session text, where its <chunk> is, and the decoded container.
struct SessionState
{
    std::string text;
    ChunkText chunk;
    std::vector<std::uint8_t> container;
    PresetContainer layout;
};

bool loadSessionState(const std::string& path, SessionState& session, std::string& error)
{
    auto text = readTextFile(path, error);
    if (!text)
        return false;
    session.text = std::move(*text);
    auto chunk = findChunkText(session.text, kProcessorName, error);
    if (!chunk)
        return false;
    session.chunk = *chunk;
    auto bytes = decodeBase64(std::string_view(session.text).substr(chunk->begin, chunk->end - chunk->begin));
    if (!bytes)
    {
        error = "the <chunk> text is not base64";
        return false;
    }
    session.container = std::move(*bytes);
    auto layout = parseContainer(session.container, error);
    if (!layout)
        return false;
    session.layout = *layout;
    return true;
}

int stateGet(const std::string& sessionPath, const std::string& outPath)
{
    SessionState session;
    std::string error;
    if (!loadSessionState(sessionPath, session, error))
        return fail(sessionPath + ": " + error);
    const auto component = entryBytes(session.container, session.layout, "Comp");
    if (!component)
        return fail(sessionPath + ": the plug-in's state has no component chunk");
    if (!writeBinary(outPath, *component, error))
        return fail(error);
    const std::string problem = checkState(*component);
    if (!problem.empty())
        return fail(sessionPath + ": " + problem);
    return 0;
}

int statePut(const std::string& sessionPath, const std::string& inPath)
{
    SessionState session;
    std::vector<std::uint8_t> state;
    std::string error;
    if (!loadSessionState(sessionPath, session, error))
        return fail(sessionPath + ": " + error);
    if (!readState(inPath, state, error))
        return fail(error);

    // The controller is handed its own copy on load; a single-component plug-in stores the same
    // state there, and that copy must change too or it would undo the edit.
    int replaced = 0;
    for (const auto& entry : session.layout.entries)
    {
        if (entry.id != "Comp" && entry.id != "Cont")
            continue;
        const bool holdsState = entry.size == static_cast<std::int64_t>(state.size()) &&
                                std::memcmp(session.container.data() + entry.offset, "4REP", 4) == 0;
        if (entry.id == "Comp" && !holdsState)
            return fail(sessionPath + ": the component chunk is " + std::to_string(entry.size) +
                        " bytes, not a state of " + std::to_string(state.size()));
        if (holdsState)
        {
            std::memcpy(session.container.data() + entry.offset, state.data(), state.size());
            ++replaced;
        }
    }
    if (replaced == 0)
        return fail(sessionPath + ": the plug-in's state has no component chunk");
    session.text.replace(session.chunk.begin, session.chunk.end - session.chunk.begin,
                         encodeBase64(session.container));
    if (!writeTextFile(sessionPath, session.text, error))
        return fail(error);
    std::cout << "replaced " << replaced << " state cop" << (replaced == 1 ? "y" : "ies") << " in "
              << sessionPath << "\n";
    return 0;
}

int setOrder(const std::string& inPath, const std::string& outPath, const std::string& orderText)
{
    std::vector<std::uint8_t> state;
    std::string error;
    if (!readState(inPath, state, error))
        return fail(error);
    const auto order = parseOrder(orderText);
    if (!order)
        return fail("'" + orderText + "' is not an order of the eleven module ids 0..10");
    setOrders(state, *order);
    return writeBinary(outPath, state, error) ? 0 : fail(error);
}

int fillSlots(const std::string& inPath, const std::string& slotAPath, const std::string& orderText,
              const std::string& outPath)
{
    std::vector<std::uint8_t> state, slotASource;
    std::string error;
    if (!readState(inPath, state, error) || !readState(slotAPath, slotASource, error))
        return fail(error);
    const auto order = parseOrder(orderText);
    if (!order)
        return fail("'" + orderText + "' is not an order of the eleven module ids 0..10");
    fillCompareSlots(state, slotASource, *order);
    return writeBinary(outPath, state, error) ? 0 : fail(error);
}

int setValue(const std::string& inPath, const std::string& outPath, const std::string& indexText,
             const std::string& valueText)
{
    std::vector<std::uint8_t> state;
    std::string error;
    if (!readState(inPath, state, error))
        return fail(error);
    char* end = nullptr;
    const long index = std::strtol(indexText.c_str(), &end, 10);
    if (*end != '\0' || index < 0 || index >= kParamCount)
        return fail("'" + indexText + "' is not a parameter index 0..88");
    const double value = std::strtod(valueText.c_str(), &end);
    if (*end != '\0')
        return fail("'" + valueText + "' is not a number");
    setLiveValue(state, static_cast<int>(index), value);
    return writeBinary(outPath, state, error) ? 0 : fail(error);
}

int show(const std::string& inPath)
{
    std::vector<std::uint8_t> state;
    std::string error;
    if (!readState(inPath, state, error))
        return fail(error);
    std::cout << "active slot " << (state[kActiveSlotPos] == 1 ? "B" : "A") << ", captured "
              << int(state[kCapturedPos]) << "\n"
              << "current order " << formatOrder(currentOrder(state)) << "\n"
              << "slot A order  " << formatOrder(slotOrder(state, 0)) << "\n"
              << "slot B order  " << formatOrder(slotOrder(state, 1)) << "\n"
              << "current values";
    for (int param = 0; param < kParamCount; ++param)
        std::cout << (param % 10 == 0 ? "\n  " : " ") << currentValue(state, param);
    std::cout << "\n";
    return 0;
}

int diff(const std::string& beforePath, const std::string& afterPath, const std::string& toleranceText)
{
    std::vector<std::uint8_t> before, after;
    std::string error;
    if (!readState(beforePath, before, error) || !readState(afterPath, after, error))
        return fail(error);
    char* end = nullptr;
    const double tolerance = std::strtod(toleranceText.c_str(), &end);
    if (*end != '\0' || !(tolerance >= 0.0))
        return fail("'" + toleranceText + "' is not a tolerance");
    const auto lines = describeDifferences(before, after, tolerance);
    for (const auto& line : lines)
        std::cout << line << "\n";
    if (!lines.empty())
        return 1;
    const auto strict = describeDifferences(before, after);
    if (strict.empty())
        std::cout << "states are identical (" << before.size() << " bytes)\n";
    else
        std::cout << "states agree; " << strict.size() << " live values moved within " << tolerance
                  << " (relative), e.g. " << strict.front() << "\n";
    return 0;
}

int compare(const std::string& testPath, const std::string& referencePath, const std::string& fromText,
            const std::string& limitText, bool expectDifference)
{
    AudioComparison result;
    std::string error;
    char* end = nullptr;
    const long long fromFrame = std::strtoll(fromText.c_str(), &end, 10);
    if (*end != '\0')
        return fail("'" + fromText + "' is not a frame number");
    const double limit = std::strtod(limitText.c_str(), &end);
    if (*end != '\0' || !(limit > 0.0))
        return fail("'" + limitText + "' is not a positive number");
    if (!compareAudioFiles(testPath, referencePath, fromFrame, result, error))
        return fail(error);
    std::printf("%lld frames from frame %lld: largest difference %.3g (frame %lld, channel %d), "
                "difference rms %.3g, reference peak %.3g\n",
                static_cast<long long>(result.frames), fromFrame, result.maxDifference,
                static_cast<long long>(result.worstFrame), result.worstChannel, result.differenceRms,
                result.referencePeak);
    if (result.referencePeak < 1e-3)
    {
        std::printf("the reference is silent: nothing was compared\n");
        return 1;
    }
    if (expectDifference)
    {
        if (result.maxDifference >= limit)
            return 0;
        std::printf("expected a difference of at least %g\n", limit);
        return 1;
    }
    if (result.maxDifference <= limit)
        return 0;
    std::printf("expected every difference within %g\n", limit);
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string command = args.empty() ? "" : args[0];
    if (command == "state-get" && args.size() == 3)
        return stateGet(args[1], args[2]);
    if (command == "state-put" && args.size() == 3)
        return statePut(args[1], args[2]);
    if (command == "set-order" && args.size() == 4)
        return setOrder(args[1], args[2], args[3]);
    if (command == "fill-slots" && args.size() == 5)
        return fillSlots(args[1], args[2], args[3], args[4]);
    if (command == "set-value" && args.size() == 5)
        return setValue(args[1], args[2], args[3], args[4]);
    if (command == "show" && args.size() == 2)
        return show(args[1]);
    if (command == "diff" && (args.size() == 3 || args.size() == 4))
        return diff(args[1], args[2], args.size() == 4 ? args[3] : "0");
    if ((command == "compare" || command == "compare-differs") && args.size() == 5)
        return compare(args[1], args[2], args[3], args[4], command == "compare-differs");
    return fail(
        "usage: state-get|state-put|set-order|fill-slots|set-value|show|diff|compare|compare-differs ... "
        "(see the comment at the top of pomelu-ardour-tool.cpp)");
}
