// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pomelu::test
{

// A small LV2 host on liblilv: the built bundle (and nothing else) found through LV2_PATH, a URID
// map, and the options a host announces (sample rate, block length). One per test; not thread-safe.
class Lv2World
{
public:
    Lv2World();
    ~Lv2World();
    Lv2World(const Lv2World&) = delete;
    Lv2World& operator=(const Lv2World&) = delete;

    LilvWorld* world() const { return lilvWorld; }
    const LilvPlugin* plugin(const char* uri) const;
    LV2_URID map(const char* uri);
    const char* unmap(LV2_URID urid) const;
    LV2_URID_Map* mapFeature() { return &uridMap; }
    LV2_URID_Unmap* unmapFeature() { return &uridUnmap; }
    const LV2_Feature* const* features() const { return featureList; }
    // The preset of `plugin` labelled `label`, loaded, or nullptr.
    LilvState* preset(const LilvPlugin* plugin, const std::string& label);

private:
    std::string pathDir;
    LilvWorld* lilvWorld = nullptr;
    std::map<std::string, LV2_URID, std::less<>> uris;
    std::vector<std::string> names;
    LV2_URID_Map uridMap{};
    LV2_URID_Unmap uridUnmap{};
    std::int32_t blockLength = 512;
    float rate = 48000.0f;
    LV2_Options_Option options[3]{};
    LV2_Feature mapF{}, unmapF{}, optionsF{};
    const LV2_Feature* featureList[4]{};
};

// One instance with every port connected to storage of its own (control inputs at their
// defaults), activated; outputs are read back after each block.
class Lv2Instance
{
public:
    Lv2Instance(Lv2World& world, const char* uri, double sampleRate = 48000.0);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool ok() const { return instance != nullptr; }
    LilvInstance* get() const { return instance; }
    int channels() const { return nChannels; }
    float& port(std::uint32_t index) { return values[index]; }
    // Runs `in` (one vector per channel) in blocks of `block` frames; a time:Position at `bpm`
    // (none when 0) goes with the first block. Returns the outputs.
    std::vector<std::vector<float>> run(const std::vector<std::vector<float>>& in, int block,
                                        double bpm = 0.0);
    // Queues a time:Position at bpm for the next block run by runBlock.
    void queuePosition(double bpm);
    // One block on the connected buffers (room for 8192 frames).
    void runBlock(int frames);
    std::vector<float> audioIn[2], audioOut[2];

    void applyState(const LilvState* state);
    LilvState* saveState();

private:
    static void setPortValue(const char* symbol, void* self, const void* value, std::uint32_t size,
                             std::uint32_t type);
    static const void* getPortValue(const char* symbol, void* self, std::uint32_t* size, std::uint32_t* type);

    Lv2World& host;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    int nChannels = 0;
    std::vector<float> values;
    alignas(8) std::uint8_t atomIn[4096];
    alignas(8) std::uint8_t atomOut[4096];
    LV2_Atom_Forge forge{};
    double pendingBpm = 0.0;
};

} // namespace pomelu::test
