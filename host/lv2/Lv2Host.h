// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace pomelu::host
{

// The project's LV2 host on liblilv, for tests and benchmarks: a world that sees the given bundle and
// nothing else (through LV2_PATH, which it sets), a URID map and unmap, and a maximum block length
// of 512 among its options. Not thread-safe; one at a time.
class Lv2World
{
public:
    explicit Lv2World(const std::string& bundlePath);
    ~Lv2World();
    Lv2World(const Lv2World&) = delete;
    Lv2World& operator=(const Lv2World&) = delete;

    LilvWorld* world() const { return lilvWorld; }
    const LilvPlugin* plugin(const char* uri) const;
    LV2_URID map(const char* uri);
    LV2_URID_Map* mapFeature() { return &uridMap; }
    LV2_URID_Unmap* unmapFeature() { return &uridUnmap; }
    const LV2_Feature* const* features() const { return featureList; }
    // A preset of the bundle, read from its file, or nullptr.
    LilvState* preset(const std::string& uri);

private:
    std::string pathDir;
    LilvWorld* lilvWorld = nullptr;
    std::map<std::string, LV2_URID, std::less<>> uris;
    std::vector<std::string> names;
    LV2_URID_Map uridMap{};
    LV2_URID_Unmap uridUnmap{};
    std::int32_t blockLength = 512;
    LV2_Options_Option options[2]{};
    LV2_Feature mapF{}, unmapF{}, optionsF{};
    const LV2_Feature* featureList[4]{};
};

// One activated instance with every port connected to storage of its own (control inputs at their
// defaults, audio with room for 8192 frames).
class Lv2Instance
{
public:
    Lv2Instance(Lv2World& world, const char* uri, double sampleRate = 48000.0);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool ok() const { return instance != nullptr; }
    LilvInstance* get() const { return instance; }
    float& port(std::uint32_t index) { return values[index]; }
    // One block on the connected buffers, with a time:Position at pendingBpm first (none when 0;
    // it is sent once).
    void runBlock(int frames);
    // Runs `in` (one vector per channel) in blocks of `block` frames, a time:Position at bpm with the
    // first; returns the outputs.
    std::vector<std::vector<float>> run(const std::vector<std::vector<float>>& in, int block,
                                        double bpm = 0.0);
    std::vector<float> audioIn[2], audioOut[2];
    double pendingBpm = 0.0;
    // Atoms (whole, header first) sent at frame 0 of the next block, after the time:Position.
    std::vector<std::vector<std::uint8_t>> pendingEvents;
    // Called after each block with every event the plug-in left on its notify port.
    std::function<void(const LV2_Atom& event)> onNotify;
    std::uint32_t portIndex(const char* symbol) const;

    void applyState(const LilvState* state);
    LilvState* saveState();

private:
    float* portBySymbol(const char* symbol);

    Lv2World& host;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    int nChannels = 0;
    std::vector<float> values;
    alignas(8) std::uint8_t atomIn[65536];
    alignas(8) std::uint8_t atomOut[65536]; // the notify port's rsz:minimumSize
    LV2_Atom_Forge forge{};
};

} // namespace pomelu::host
