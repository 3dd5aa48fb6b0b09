// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ParameterChanges.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

namespace pomelu::host
{

// The transport as a host reports it in a block's ProcessContext. tempo > 0 (beats per minute):
// playing at that tempo in 4/4, with the musical position (quarter notes) of positionSamples;
// otherwise stopped and without a tempo. The sample position is there either way.
Steinberg::Vst::ProcessContext makeProcessContext(double sampleRate, double tempo,
                                                  Steinberg::int64 positionSamples);

// Everything one process call hands over, shaped as a test or a host needs: sample size, mode,
// frame count, one input and one output bus (or none), the parameter changes and the context.
// Built before the call, so running it allocates nothing; it points into itself, so it neither
// copies nor moves.
class BlockData
{
public:
    explicit BlockData(Steinberg::int32 sampleSize = Steinberg::Vst::kSample64, Steinberg::int32 frames = 0,
                       int parameterCapacity = 128);
    BlockData(const BlockData&) = delete;
    BlockData& operator=(const BlockData&) = delete;

    void setFormat(Steinberg::int32 sampleSize, Steinberg::int32 processMode, double sampleRate);
    void setFrames(Steinberg::int32 frames) { processData.numSamples = frames; }
    // A bus when `channels` is set or numChannels > 0, as careless hosts hand them over too; no bus
    // for (nullptr, 0). `channels` holds float* or double* as the sample size says.
    void setInput(void** channels, Steinberg::int32 numChannels);
    void setOutput(void** channels, Steinberg::int32 numChannels);
    // See makeProcessContext; the sample rate is the one given to setFormat.
    void setTransport(double tempo, Steinberg::int64 positionSamples = 0);

    ParameterChanges& changes() { return inputChanges; }
    Steinberg::Vst::ProcessData& data() { return processData; }
    const Steinberg::Vst::ProcessContext& context() const { return processContext; }

    Steinberg::tresult run(Steinberg::Vst::IAudioProcessor* processor)
    {
        return processor->process(processData);
    }

private:
    Steinberg::Vst::AudioBusBuffers inBus{};
    Steinberg::Vst::AudioBusBuffers outBus{};
    Steinberg::Vst::ProcessContext processContext{};
    ParameterChanges inputChanges;
    Steinberg::Vst::ProcessData processData{};
};

} // namespace pomelu::host
