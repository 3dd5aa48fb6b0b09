// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PomeluRarorudIzad.h"

#include <cstring>
#include <memory>
#include <vector>

namespace pomelu::test
{

// Editor stand-in that records what the plug-in sends it.
class RecordingEditor : public iplug::IEditorView
{
public:
    struct Message
    {
        int ctrlTag, msgTag;
        std::vector<unsigned char> data;
    };

    void OnControlMessage(int ctrlTag, int msgTag, int dataSize, const void* pData) override
    {
        const auto* b = static_cast<const unsigned char*>(pData);
        messages.push_back({ctrlTag, msgTag, std::vector<unsigned char>(b, b + dataSize)});
    }
    void OnParameterValue(int idx, double normalized) override { values.push_back({idx, normalized}); }
    void RemoveAllControls() override { ++removals; }
    int Width() const override { return 980; }
    int Height() const override { return 680; }

    // Data updates (spectrum frames, meter records) sent to one control.
    int updates(int ctrlTag) const
    {
        int n = 0;
        for (const Message& m : messages)
            n += m.ctrlTag == ctrlTag && m.msgTag == iplug::kUpdateMessage ? 1 : 0;
        return n;
    }
    template <class T> T payload(std::size_t i) const
    {
        T v{};
        std::memcpy(&v, messages.at(i).data.data(), sizeof v);
        return v;
    }

    std::vector<Message> messages;
    std::vector<std::pair<int, double>> values;
    int removals = 0;
};

// A plug-in as a host would have it after setup: sample rate, block size and channels set, reset run.
// Objects are released through the reference count, as a host does.
struct PlugDeleter
{
    void operator()(PomeluRarorudIzad* p) const { p->release(); }
};
using PlugPtr = std::unique_ptr<PomeluRarorudIzad, PlugDeleter>;

inline PlugPtr makePlug(double sampleRate = 48000.0, int blockSize = 512, int nIn = 2, int nOut = 2)
{
    PlugPtr plug(new PomeluRarorudIzad(iplug::InstanceInfo{}));
    plug->SetSampleRate(sampleRate);
    plug->SetBlockSize(blockSize);
    plug->SetChannelsConnected(nIn, nOut);
    plug->OnReset();
    return plug;
}

} // namespace pomelu::test
