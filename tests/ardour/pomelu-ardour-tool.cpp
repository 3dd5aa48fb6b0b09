// Helper for the Ardour session tests: reads and writes the plug-in's state inside a saved session,
// edits its module order and compare slots, and compares rendered audio.
//
//   state-get SESSION.ardour OUT.state        write the plug-in's component state
//   state-put SESSION.ardour IN.state         replace it (component, and the controller copy if any)
//   set-order IN.state OUT.state ORDER        ORDER: eleven module ids, "8,7,6,2,1,0,3,4,5,9,10"
//   fill-slots IN.state SLOT_A.state ORDER_A OUT.state
//   set-value IN.state OUT.state INDEX VALUE  a parameter value as the plug-in writes it after a change
//   diff BEFORE.state AFTER.state [TOL]       exit 0 when equal, 1 listing the differing fields; current
//                                             values may differ by the relative tolerance TOL
//   compare TEST.wav REF.wav FROM_FRAME TOLERANCE          exit 0 when every sample is within TOLERANCE
//   compare-differs TEST.wav REF.wav FROM_FRAME MIN_DIFF   exit 0 when some sample differs by MIN_DIFF
//   compare-shifted TEST.wav REF.wav SHIFT TOLERANCE       compare, TEST's frame SHIFT + i against REF's i
//   lv2-state-get STATE.ttl OUT.state         the LV2 plug-in's state chunk from a saved state.ttl, as a
//                                             state file (with zero host-bypass and program words)
//   lv2-state-put STATE.ttl IN.state          put it back (without the two words)
//   first-sound FILE.wav                      print the first frame with a sample other than 0
//
// Exit status: 0 success, 1 check failed, 2 usage or file error.
#include <glib.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<std::uint8_t>;

constexpr int kParams = 89;
constexpr int kModules = 11;
// The component state as a host stores it (little-endian): "4REP", u32 parameter count, u32 active
// slot, u8 captured flag, slot A's and slot B's values (89 doubles each), u32 module count, the
// current order and slot A's and B's orders (11 bytes each), the current values; then the wrapper's
// u32 host-bypass and program words.
constexpr std::size_t kActiveSlot = 8;
constexpr std::size_t kCaptured = 12;
constexpr std::size_t kSlotValues = 13;
constexpr std::size_t kModuleCount = kSlotValues + 2 * kParams * 8;
constexpr std::size_t kOrders = kModuleCount + 4;
constexpr std::size_t kValues = kOrders + 3 * kModules;
constexpr std::size_t kChunkEnd = kValues + kParams * 8; // 2186: the bypass word, then the program word
constexpr std::size_t kStateSize = kChunkEnd + 8;

[[noreturn]] void die(const std::string& message)
{
    std::cerr << "pomelu-ardour-tool: " << message << "\n";
    std::exit(2);
}

template <typename T> T get(const Bytes& bytes, std::size_t pos)
{
    T value;
    std::memcpy(&value, bytes.data() + pos, sizeof value);
    return value;
}

template <typename T> void put(Bytes& bytes, std::size_t pos, T value)
{
    std::memcpy(bytes.data() + pos, &value, sizeof value);
}

std::size_t slotValue(int slot, int param)
{
    return kSlotValues + static_cast<std::size_t>(slot * kParams + param) * 8;
}

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        die("cannot open " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size)))
        die("cannot write " + path);
}

bool isState(const Bytes& bytes)
{
    return bytes.size() == kStateSize && std::memcmp(bytes.data(), "4REP", 4) == 0 &&
           get<std::uint32_t>(bytes, 4) == kParams && get<std::uint32_t>(bytes, kModuleCount) == kModules;
}

Bytes readState(const std::string& path)
{
    Bytes state = readFile(path);
    if (!isState(state))
        die(path + ": not a version 4 state of " + std::to_string(kStateSize) + " bytes");
    return state;
}

Bytes parseOrder(const std::string& text)
{
    Bytes order;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        order.push_back(static_cast<std::uint8_t>(std::atoi(item.c_str())));
    if (order.size() != kModules ||
        std::set<int>(order.begin(), order.end()) != std::set{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10})
        die("'" + text + "' is not an order of the eleven module ids 0..10");
    return order;
}

// Ardour keeps the state as base64 text in the <chunk> of the plug-in's <Processor>, wrapped in the
// SDK's preset-file layout: "VST3", version, 32-character class id, i64 offset of a "List" of
// (id, i64 offset, i64 size) entries naming the component ("Comp") and controller ("Cont") chunks.
struct Session
{
    std::string text;
    std::size_t begin = 0, end = 0; // the base64 text
    Bytes container;
    std::vector<std::pair<std::string, std::size_t>> entries; // id, offset of an entry holding a state
};

std::size_t componentOffset(const Session& s)
{
    for (const auto& [id, offset] : s.entries)
        if (id == "Comp")
            return offset;
    return 0;
}

Session loadSession(const std::string& path)
{
    Session s;
    const Bytes raw = readFile(path);
    s.text.assign(raw.begin(), raw.end());
    std::size_t tag = s.text.find("<Processor ");
    while (tag != std::string::npos &&
           s.text.substr(tag, s.text.find('>', tag) - tag).find("name=\"Pomelu Rarorud Izad\"") ==
               std::string::npos)
        tag = s.text.find("<Processor ", tag + 1);
    s.begin = s.text.find("<chunk>", tag);
    s.end = s.text.find("</chunk>", s.begin);
    if (tag == std::string::npos || s.end == std::string::npos ||
        s.text.find("<Processor ", tag + 1) < s.begin)
        die(path + ": no <chunk> in a processor named \"Pomelu Rarorud Izad\"");
    s.begin += 7;
    gsize size = 0;
    const std::string base64 = s.text.substr(s.begin, s.end - s.begin);
    guchar* decoded = g_base64_decode(base64.c_str(), &size);
    s.container.assign(decoded, decoded + size);
    g_free(decoded);

    const auto& c = s.container;
    const std::size_t list = c.size() >= 48 ? static_cast<std::size_t>(get<std::int64_t>(c, 40)) : c.size();
    if (c.size() < 48 || std::memcmp(c.data(), "VST3", 4) != 0 || list + 8 > c.size() ||
        std::memcmp(c.data() + list, "List", 4) != 0)
        die(path + ": the <chunk> is not a VST 3 preset container");
    for (std::int32_t i = 0, n = get<std::int32_t>(c, list + 4); i < n; ++i)
    {
        const std::size_t at = list + 8 + static_cast<std::size_t>(i) * 20;
        if (at + 20 > c.size())
            die(path + ": the chunk list reaches past the container");
        const auto offset = static_cast<std::size_t>(get<std::int64_t>(c, at + 4));
        const auto size = static_cast<std::size_t>(get<std::int64_t>(c, at + 12));
        if (offset + size <= c.size() && isState(Bytes(c.begin() + offset, c.begin() + offset + size)))
            s.entries.emplace_back(std::string(reinterpret_cast<const char*>(c.data() + at), 4), offset);
    }
    if (componentOffset(s) == 0)
        die(path + ": the plug-in's state has no component chunk holding a state");
    return s;
}

// One line per differing field ("slot A value 17: -27 -> -18"). A host hands parameter values back
// through its normalised representation, which can move a value by a few ulps: the current values,
// and the active slot's copy the writer keeps of them, may differ by `tolerance` (relative, absolute
// below 1); everything else must be identical.
std::vector<std::string> differences(const Bytes& before, const Bytes& after, double tolerance)
{
    std::vector<std::string> lines;
    const int liveSlot = after[kCaptured] != 0 ? (get<std::uint32_t>(after, kActiveSlot) == 1 ? 1 : 0) : -1;
    auto value = [&](const std::string& name, std::size_t pos, bool live)
    {
        const double a = get<double>(before, pos), b = get<double>(after, pos);
        const bool close = std::fabs(a - b) <= tolerance * std::max({1.0, std::fabs(a), std::fabs(b)});
        if (std::memcmp(before.data() + pos, after.data() + pos, 8) != 0 && !(live && close))
        {
            char line[160];
            std::snprintf(line, sizeof line, "%s: %.17g -> %.17g", name.c_str(), a, b);
            lines.push_back(line);
        }
    };
    auto bytes = [&](const std::string& name, std::size_t pos, std::size_t size)
    {
        if (std::memcmp(before.data() + pos, after.data() + pos, size) == 0)
            return;
        std::string line = name + ":";
        for (const Bytes* state : {&before, &after})
        {
            line += state == &before ? "" : " ->";
            for (std::size_t i = 0; i < size; ++i)
            {
                line += i == 0 ? ' ' : ',';
                line += std::to_string((*state)[pos + i]);
            }
        }
        lines.push_back(line);
    };
    bytes("header (magic, count, active slot, captured flag)", 0, kSlotValues);
    for (int slot = 0; slot < 2; ++slot)
        for (int param = 0; param < kParams; ++param)
            value(std::string("slot ") + "AB"[slot] + " value " + std::to_string(param),
                  slotValue(slot, param), slot == liveSlot);
    bytes("module count", kModuleCount, 4);
    bytes("current order", kOrders, kModules);
    bytes("slot A order", kOrders + kModules, kModules);
    bytes("slot B order", kOrders + 2 * kModules, kModules);
    for (int param = 0; param < kParams; ++param)
        value("current value " + std::to_string(param), kValues + static_cast<std::size_t>(param) * 8, true);
    bytes("bypass word", kChunkEnd, 4);
    bytes("program word", kChunkEnd + 4, 4);
    return lines;
}

std::vector<double> readAudio(const std::string& path, SF_INFO& info)
{
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        die("cannot read " + path + ": " + sf_strerror(nullptr));
    std::vector<double> samples(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_double(file, samples.data(), info.frames);
    sf_close(file);
    if (got != info.frames)
        die("short read from " + path);
    return samples;
}

// TEST's frame shift + i against REF's frame i; without a shift (-1) both files are as long.
int compare(const std::string& testPath, const std::string& referencePath, long long from, double limit,
            bool expectDifference, long long shift = -1)
{
    SF_INFO testInfo{}, referenceInfo{};
    const std::vector<double> test = readAudio(testPath, testInfo);
    const std::vector<double> reference = readAudio(referencePath, referenceInfo);
    if (testInfo.channels != referenceInfo.channels || testInfo.samplerate != referenceInfo.samplerate ||
        (shift < 0 ? testInfo.frames != referenceInfo.frames
                   : testInfo.frames < shift + referenceInfo.frames) ||
        from < 0 || from >= referenceInfo.frames)
        die("the files differ in channels, rate or length, or frame " + std::to_string(from) +
            " is outside them");
    double largest = 0.0, peak = 0.0;
    std::size_t worst = 0;
    const auto offset = static_cast<std::size_t>(std::max(shift, 0LL) * testInfo.channels);
    for (auto i = static_cast<std::size_t>(from * testInfo.channels); i < reference.size(); ++i)
    {
        const double difference = std::fabs(test[i + offset] - reference[i]);
        peak = std::max(peak, std::fabs(reference[i]));
        if (!(difference <= largest))
        {
            largest = std::isnan(difference) ? INFINITY : difference;
            worst = i;
        }
    }
    std::printf(
        "%lld frames from frame %lld: largest difference %.3g (frame %zu, channel %zu), reference peak "
        "%.3g\n",
        static_cast<long long>(referenceInfo.frames) - from, from, largest, worst / testInfo.channels,
        worst % testInfo.channels, peak);
    if (peak < 1e-3)
        return std::printf("the reference is silent: nothing was compared\n"), 1;
    if (expectDifference ? largest >= limit : largest <= limit)
        return 0;
    std::printf("expected %s %g\n", expectDifference ? "a difference of at least" : "every difference within",
                limit);
    return 1;
}

double number(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0')
        die("'" + text + "' is not a number");
    return value;
}
} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> a(argv + 1, argv + argc);
    const std::string command = a.empty() ? "" : a[0];
    if (command == "state-get" && a.size() == 3)
    {
        const Session session = loadSession(a[1]);
        writeFile(a[2], session.container.data() + componentOffset(session), kStateSize);
        return 0;
    }
    if (command == "state-put" && a.size() == 3)
    {
        // The controller is handed its own copy on load; a single-component plug-in stores the same
        // state there, and that copy must change too or it would undo the edit.
        Session session = loadSession(a[1]);
        const Bytes state = readState(a[2]);
        for (const auto& [id, offset] : session.entries)
            std::memcpy(session.container.data() + offset, state.data(), kStateSize);
        gchar* encoded = g_base64_encode(session.container.data(), session.container.size());
        session.text.replace(session.begin, session.end - session.begin, encoded);
        g_free(encoded);
        writeFile(a[1], session.text.data(), session.text.size());
        std::printf("replaced %zu state copies in %s\n", session.entries.size(), a[1].c_str());
        return 0;
    }
    if (command == "set-order" && a.size() == 4)
    {
        // As loading an older state without compare slots would: one order everywhere.
        Bytes state = readState(a[1]);
        const Bytes order = parseOrder(a[3]);
        for (int copy = 0; copy < 3; ++copy)
            std::copy(order.begin(), order.end(), state.begin() + kOrders + copy * kModules);
        writeFile(a[2], state.data(), state.size());
        return 0;
    }
    if (command == "fill-slots" && a.size() == 5)
    {
        // As a user gets there: slot A holds the other state's current values with ORDER_A; slot B is
        // active and holds this state's current values and order.
        Bytes state = readState(a[1]);
        const Bytes slotA = readState(a[2]);
        const Bytes order = parseOrder(a[3]);
        put<std::uint32_t>(state, kActiveSlot, 1);
        state[kCaptured] = 1;
        for (int param = 0; param < kParams; ++param)
        {
            put(state, slotValue(0, param), get<double>(slotA, kValues + param * 8));
            put(state, slotValue(1, param), get<double>(state, kValues + param * 8));
        }
        std::copy(order.begin(), order.end(), state.begin() + kOrders + kModules);
        std::copy_n(state.begin() + kOrders, kModules, state.begin() + kOrders + 2 * kModules);
        writeFile(a[4], state.data(), state.size());
        return 0;
    }
    if (command == "set-value" && a.size() == 5)
    {
        // As the plug-in writes a host change: the current value and, once captured, the active slot's.
        Bytes state = readState(a[1]);
        const double index = number(a[3]), value = number(a[4]);
        if (index < 0 || index >= kParams || index != std::floor(index))
            die("'" + a[3] + "' is not a parameter index 0..88");
        const int param = static_cast<int>(index);
        put(state, kValues + param * 8, value);
        if (state[kCaptured] != 0)
            put(state, slotValue(get<std::uint32_t>(state, kActiveSlot) == 1 ? 1 : 0, param), value);
        writeFile(a[2], state.data(), state.size());
        return 0;
    }
    if (command == "diff" && (a.size() == 3 || a.size() == 4))
    {
        const Bytes before = readState(a[1]), after = readState(a[2]);
        const auto lines = differences(before, after, a.size() == 4 ? number(a[3]) : 0.0);
        for (const auto& line : lines)
            std::cout << line << "\n";
        if (lines.empty())
            std::cout << "states agree (" << differences(before, after, 0.0).size()
                      << " live values moved within the tolerance)\n";
        return lines.empty() ? 0 : 1;
    }
    if ((command == "compare" || command == "compare-differs") && a.size() == 5)
        return compare(a[1], a[2], static_cast<long long>(number(a[3])), number(a[4]),
                       command == "compare-differs");
    if ((command == "lv2-state-get" || command == "lv2-state-put") && a.size() == 3)
    {
        // The chunk is the base64 literal after the plug-in's state key; hosts write it as one
        // triple-quoted literal over several lines.
        const Bytes raw = readFile(a[1]);
        std::string text(raw.begin(), raw.end());
        const std::size_t key = text.find("rarorud-izad#state>");
        const std::size_t open = text.find('"', key);
        const std::size_t quotes = text.compare(open, 3, "\"\"\"") == 0 ? 3 : 1;
        const std::size_t close = text.find(std::string(quotes, '"'), open + quotes);
        if (key == std::string::npos || open == std::string::npos || close == std::string::npos)
            die(a[1] + " holds no state chunk of the plug-in");
        if (command == "lv2-state-get")
        {
            gsize size = 0;
            guchar* decoded =
                g_base64_decode(text.substr(open + quotes, close - open - quotes).c_str(), &size);
            Bytes state(decoded, decoded + size);
            g_free(decoded);
            state.resize(state.size() + 8, 0);
            if (!isState(state))
                die(a[1] + ": not a version 4 state chunk");
            writeFile(a[2], state.data(), state.size());
            return 0;
        }
        const Bytes state = readState(a[2]);
        gchar* encoded = g_base64_encode(state.data(), kChunkEnd);
        text.replace(open + quotes, close - open - quotes, encoded);
        g_free(encoded);
        writeFile(a[1], text.data(), text.size());
        return 0;
    }
    if (command == "compare-shifted" && a.size() == 5)
        return compare(a[1], a[2], 0, number(a[4]), false, static_cast<long long>(number(a[3])));
    if (command == "first-sound" && a.size() == 2)
    {
        SF_INFO info{};
        const std::vector<double> audio = readAudio(a[1], info);
        const auto it = std::find_if(audio.begin(), audio.end(), [](double v) { return v != 0.0; });
        if (it == audio.end())
            die(a[1] + " is silent");
        std::printf("%lld\n", static_cast<long long>((it - audio.begin()) / info.channels));
        return 0;
    }
    die("usage: state-get|state-put|set-order|fill-slots|set-value|diff|compare|compare-differs|first-sound "
        "... "
        "(see the comment at the top of pomelu-ardour-tool.cpp)");
}
