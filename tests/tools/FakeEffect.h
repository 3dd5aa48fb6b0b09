// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Effect.h"

#include <cmath>
#include <cstring>

namespace pomelu::tools::test
{

// A small stand-in for the plug-in: a gain with a mute switch and two enums, two presets, a state of
// "FAKE" followed by the four values and the order. Lets the command-line layers be tested alone.
class FakeEffect final : public Effect
{
public:
    static constexpr int kGain = 0, kMute = 1, kFeel = 2, kStyle = 3;

    std::vector<ParameterDescription> parameters() const override
    {
        using Kind = ParameterDescription::Kind;
        const std::vector<std::string> styles{"Soft Bloom / ふんわり", "Warm Bite / あたたか"};
        return {{kGain, "Gain", Kind::Double, -18.0, 18.0, 0.1, 0.0, "dB", {}},
                {kMute, "Mute", Kind::Bool, 0.0, 1.0, 1.0, 0.0, "", {"off", "on"}},
                {kFeel, "Delay Feel", Kind::Enum, 0.0, 2.0, 1.0, 0.0, "", {"Straight", "Dotted", "Triplet"}},
                {kStyle, "Style", Kind::Enum, 0.0, 1.0, 1.0, 0.0, "", styles}};
    }
    double parameterValue(int index) const override { return values[index]; }
    void setParameter(int index, double plain) override { values[index] = plain; }

    std::vector<std::string> presetNames() const override { return {"Loud", "Quiet"}; }
    void restorePreset(int index) override { values[kGain] = index == 0 ? 6.0 : -6.0; }

    std::vector<std::uint8_t> getState() override
    {
        std::vector<std::uint8_t> bytes(4 + sizeof(values) + order.size());
        std::memcpy(bytes.data(), "FAKE", 4);
        std::memcpy(bytes.data() + 4, values, sizeof(values));
        for (std::size_t i = 0; i < order.size(); ++i)
            bytes[4 + sizeof(values) + i] = static_cast<std::uint8_t>(order[i]);
        return bytes;
    }
    bool setState(const std::vector<std::uint8_t>& bytes) override
    {
        if (bytes.size() != 4 + sizeof(values) + order.size() || std::memcmp(bytes.data(), "FAKE", 4) != 0)
            return false;
        std::memcpy(values, bytes.data() + 4, sizeof(values));
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<dsp::ModuleId>(bytes[4 + sizeof(values) + i]);
        return true;
    }

    void setModuleOrder(const dsp::ModuleOrder& newOrder) override { order = newOrder; }

    void startProcessing(double sampleRate, int channels, int maxBlockSize, double tempoBpm) override
    {
        preparedRate = sampleRate;
        preparedChannels = channels;
        preparedBlock = maxBlockSize;
        tempo = tempoBpm;
    }
    void process(const double* const* in, double* const* out, int frames, std::int64_t position) override
    {
        const double gain = values[kMute] >= 0.5 ? 0.0 : std::pow(10.0, values[kGain] / 20.0);
        for (int c = 0; c < preparedChannels; ++c)
            for (int i = 0; i < frames; ++i)
                out[c][i] = in[c][i] * gain;
        largestBlock = std::max(largestBlock, frames);
        if (position != nextPosition)
            positionsContiguous = false;
        nextPosition = position + frames;
    }
    void stopProcessing() override { stopped = true; }

    double values[4] = {0.0, 0.0, 0.0, 0.0};
    dsp::ModuleOrder order = dsp::defaultModuleOrder();
    double preparedRate = 0.0, tempo = 0.0;
    int preparedChannels = 0, preparedBlock = 0, largestBlock = 0;
    std::int64_t nextPosition = 0;
    bool positionsContiguous = true, stopped = false;
};

} // namespace pomelu::tools::test
