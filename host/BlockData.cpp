// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockData.h"

namespace pomelu::host
{

using namespace Steinberg;
using namespace Steinberg::Vst;

ProcessContext makeProcessContext(double sampleRate, double tempo, int64 positionSamples)
{
    ProcessContext context{};
    context.sampleRate = sampleRate;
    context.projectTimeSamples = positionSamples;
    context.continousTimeSamples = positionSamples;
    context.state = ProcessContext::kContTimeValid;
    if (tempo > 0.0)
    {
        context.state |= ProcessContext::kPlaying | ProcessContext::kTempoValid |
                         ProcessContext::kTimeSigValid | ProcessContext::kProjectTimeMusicValid;
        context.tempo = tempo;
        context.timeSigNumerator = 4;
        context.timeSigDenominator = 4;
        if (sampleRate > 0.0)
            context.projectTimeMusic = static_cast<double>(positionSamples) / sampleRate * tempo / 60.0;
    }
    return context;
}

BlockData::BlockData(int32 sampleSize, int32 frames, int parameterCapacity) : inputChanges(parameterCapacity)
{
    processData.processMode = kRealtime;
    processData.symbolicSampleSize = sampleSize;
    processData.numSamples = frames;
    processData.inputParameterChanges = &inputChanges;
    processData.processContext = &processContext;
    processContext.sampleRate = 48000.0;
}

void BlockData::setFormat(int32 sampleSize, int32 processMode, double sampleRate)
{
    processData.symbolicSampleSize = sampleSize;
    processData.processMode = processMode;
    processContext.sampleRate = sampleRate;
}

void BlockData::setInput(void** channels, int32 numChannels)
{
    inBus.numChannels = numChannels;
    inBus.channelBuffers32 = reinterpret_cast<Sample32**>(channels); // the same union member for 64 bit
    processData.numInputs = channels != nullptr || numChannels > 0 ? 1 : 0;
    processData.inputs = processData.numInputs > 0 ? &inBus : nullptr;
}

void BlockData::setOutput(void** channels, int32 numChannels)
{
    outBus.numChannels = numChannels;
    outBus.channelBuffers32 = reinterpret_cast<Sample32**>(channels);
    processData.numOutputs = channels != nullptr || numChannels > 0 ? 1 : 0;
    processData.outputs = processData.numOutputs > 0 ? &outBus : nullptr;
}

void BlockData::setTransport(double tempo, int64 positionSamples)
{
    processContext = makeProcessContext(processContext.sampleRate, tempo, positionSamples);
}

} // namespace pomelu::host
