// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Parameters.h"
#include "dsp/ModuleId.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pomelu::tools
{

// What the renderer does with a plug-in instance, in host terms. PomeluEffect is the real one;
// tests substitute simple effects to check the command-line layers on their own.
class Effect
{
public:
    virtual ~Effect() = default;

    virtual std::vector<ParameterDescription> parameters() const = 0;
    virtual double parameterValue(int index) const = 0;
    // plain: a value already checked against the parameter's range.
    virtual void setParameter(int index, double plain) = 0;

    virtual std::vector<std::string> presetNames() const = 0;
    virtual void restorePreset(int index) = 0;

    // The component state a host stores; setState returns false when the plug-in refuses the bytes.
    virtual std::vector<std::uint8_t> getState() = 0;
    virtual bool setState(const std::vector<std::uint8_t>& bytes) = 0;

    virtual void setModuleOrder(const dsp::ModuleOrder& order) = 0;

    // Sets up offline processing with double samples; throws ToolError (I/O) when the plug-in
    // refuses the channel count or the set-up.
    virtual void startProcessing(double sampleRate, int channels, int maxBlockSize, double tempoBpm) = 0;
    // One block; positionFrames is the block's first frame on the host's timeline.
    virtual void process(const double* const* inputs, double* const* outputs, int frames,
                         std::int64_t positionFrames) = 0;
    virtual void stopProcessing() = 0;
};

using EffectFactory = std::function<std::unique_ptr<Effect>()>;

} // namespace pomelu::tools
