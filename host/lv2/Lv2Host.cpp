// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2Host.h"

#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace pomelu::host
{

namespace
{
constexpr int kRoom = 8192;
}

Lv2World::Lv2World(const std::string& bundlePath)
{
    // LV2_PATH names folders of bundles: one that holds only ours.
    char dirTemplate[] = "/tmp/pomelu-lv2-path-XXXXXX";
    pathDir = mkdtemp(dirTemplate);
    std::filesystem::create_directory_symlink(
        bundlePath, pathDir + "/" + std::filesystem::path(bundlePath).filename().string());
    setenv("LV2_PATH", pathDir.c_str(), 1);

    uridMap = {this,
               [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Lv2World*>(h)->map(uri); }};
    uridUnmap = {this,
                 [](LV2_URID_Unmap_Handle h, LV2_URID urid) -> const char*
                 {
                     const auto& names = static_cast<const Lv2World*>(h)->names;
                     return urid >= 1 && urid <= names.size() ? names[urid - 1].c_str() : nullptr;
                 }};
    options[0] = {LV2_OPTIONS_INSTANCE, 0,           map(LV2_BUF_SIZE__maxBlockLength), sizeof blockLength,
                  map(LV2_ATOM__Int),   &blockLength};
    mapF = {LV2_URID__map, &uridMap};
    unmapF = {LV2_URID__unmap, &uridUnmap};
    optionsF = {LV2_OPTIONS__options, options};
    featureList[0] = &mapF;
    featureList[1] = &unmapF;
    featureList[2] = &optionsF;

    lilvWorld = lilv_world_new();
    lilv_world_load_all(lilvWorld);
}

Lv2World::~Lv2World()
{
    lilv_world_free(lilvWorld);
    std::filesystem::remove_all(pathDir);
}

const LilvPlugin* Lv2World::plugin(const char* uri) const
{
    LilvNode* node = lilv_new_uri(lilvWorld, uri);
    const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilvWorld), node);
    lilv_node_free(node);
    return p;
}

LV2_URID Lv2World::map(const char* uri)
{
    if (const auto it = uris.find(uri); it != uris.end())
        return it->second;
    names.emplace_back(uri);
    return uris[uri] = static_cast<LV2_URID>(names.size());
}

LilvState* Lv2World::preset(const std::string& uri)
{
    LilvNode* node = lilv_new_uri(lilvWorld, uri.c_str());
    lilv_world_load_resource(lilvWorld, node);
    LilvState* state = lilv_state_new_from_world(lilvWorld, &uridMap, node);
    lilv_node_free(node);
    return state;
}

Lv2Instance::Lv2Instance(Lv2World& world, const char* uri, double sampleRate) : host(world)
{
    plugin = world.plugin(uri);
    if (plugin == nullptr)
        return;
    instance = lilv_plugin_instantiate(plugin, sampleRate, world.features());
    if (instance == nullptr)
        return;
    const std::uint32_t n = lilv_plugin_get_num_ports(plugin);
    values.assign(n, 0.0f);
    std::vector<float> defaults(n, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    LilvNode* audio = lilv_new_uri(world.world(), LV2_CORE__AudioPort);
    LilvNode* control = lilv_new_uri(world.world(), LV2_CORE__ControlPort);
    LilvNode* input = lilv_new_uri(world.world(), LV2_CORE__InputPort);
    int nIn = 0, nOut = 0;
    for (std::uint32_t i = 0; i < n; ++i)
    {
        const LilvPort* p = lilv_plugin_get_port_by_index(plugin, i);
        const bool isInput = lilv_port_is_a(plugin, p, input);
        if (lilv_port_is_a(plugin, p, audio))
        {
            std::vector<float>& buffer = isInput ? audioIn[nIn++] : audioOut[nOut++];
            buffer.assign(kRoom, 0.0f);
            lilv_instance_connect_port(instance, i, buffer.data());
        }
        else if (lilv_port_is_a(plugin, p, control))
        {
            values[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
            lilv_instance_connect_port(instance, i, &values[i]);
        }
        else
            lilv_instance_connect_port(instance, i, isInput ? static_cast<void*>(atomIn) : atomOut);
    }
    nChannels = nIn;
    lilv_node_free(input);
    lilv_node_free(control);
    lilv_node_free(audio);
    lv2_atom_forge_init(&forge, world.mapFeature());
    lilv_instance_activate(instance);
}

Lv2Instance::~Lv2Instance()
{
    if (instance != nullptr)
    {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
}

void Lv2Instance::runBlock(int frames)
{
    lv2_atom_forge_set_buffer(&forge, atomIn, sizeof atomIn);
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    if (pendingBpm > 0.0)
    {
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &object, 0, host.map(LV2_TIME__Position));
        lv2_atom_forge_key(&forge, host.map(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&forge, static_cast<float>(pendingBpm));
        lv2_atom_forge_pop(&forge, &object);
        pendingBpm = 0.0;
    }
    for (const std::vector<std::uint8_t>& event : pendingEvents)
    {
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_write(&forge, event.data(), static_cast<std::uint32_t>(event.size()));
    }
    pendingEvents.clear();
    lv2_atom_forge_pop(&forge, &sequence);
    auto* notify = reinterpret_cast<LV2_Atom*>(atomOut);
    notify->size = sizeof atomOut - sizeof(LV2_Atom);
    notify->type = 0;
    lilv_instance_run(instance, static_cast<std::uint32_t>(frames));
    if (onNotify && notify->type == host.map(LV2_ATOM__Sequence))
        LV2_ATOM_SEQUENCE_FOREACH(reinterpret_cast<const LV2_Atom_Sequence*>(notify), ev)
    onNotify(ev->body);
}

std::uint32_t Lv2Instance::portIndex(const char* symbol) const
{
    LilvNode* sym = lilv_new_string(host.world(), symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, sym);
    lilv_node_free(sym);
    return port != nullptr ? lilv_port_get_index(plugin, port) : UINT32_MAX;
}

std::vector<std::vector<float>> Lv2Instance::run(const std::vector<std::vector<float>>& in, int block,
                                                 double bpm)
{
    const std::size_t total = in[0].size();
    std::vector<std::vector<float>> out(static_cast<std::size_t>(nChannels), std::vector<float>(total));
    pendingBpm = bpm;
    for (std::size_t pos = 0; pos < total; pos += static_cast<std::size_t>(block))
    {
        const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), total - pos));
        for (int c = 0; c < nChannels; ++c)
            std::copy_n(in[static_cast<std::size_t>(c)].begin() + static_cast<std::ptrdiff_t>(pos), n,
                        audioIn[c].begin());
        runBlock(n);
        for (int c = 0; c < nChannels; ++c)
            std::copy_n(audioOut[c].begin(), n,
                        out[static_cast<std::size_t>(c)].begin() + static_cast<std::ptrdiff_t>(pos));
    }
    return out;
}

float* Lv2Instance::portBySymbol(const char* symbol)
{
    const std::uint32_t index = portIndex(symbol);
    return index != UINT32_MAX ? &values[index] : nullptr;
}

void Lv2Instance::applyState(const LilvState* state)
{
    auto set = [](const char* symbol, void* self, const void* value, std::uint32_t size, std::uint32_t type)
    {
        auto* me = static_cast<Lv2Instance*>(self);
        if (float* port = me->portBySymbol(symbol);
            port != nullptr && size == sizeof(float) && type == me->host.map(LV2_ATOM__Float))
            std::memcpy(port, value, sizeof(float));
    };
    lilv_state_restore(state, instance, set, this, 0, host.features());
}

LilvState* Lv2Instance::saveState()
{
    auto get = [](const char* symbol, void* self, std::uint32_t* size, std::uint32_t* type) -> const void*
    {
        auto* me = static_cast<Lv2Instance*>(self);
        *size = sizeof(float);
        *type = me->host.map(LV2_ATOM__Float);
        return me->portBySymbol(symbol);
    };
    return lilv_state_new_from_instance(plugin, instance, host.mapFeature(), nullptr, nullptr, nullptr,
                                        nullptr, get, this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                                        host.features());
}

} // namespace pomelu::host
