// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderSession.h"

#include "AudioFile.h"
#include "Errors.h"
#include "ModuleOrderParser.h"
#include "Text.h"

#include <cmath>
#include <exception>
#include <new>

namespace pomelu::tools
{

void applySettings(Effect& effect, const RenderOptions& options)
{
    applySettings(effect,
                  PluginSettings{options.statePath, options.presetName, options.settings, options.order});
}

RenderResult renderFile(Effect& effect, const RenderOptions& options, ProgressBar& progress)
{
    AudioReader reader(options.inputPath);
    RenderResult result;
    result.sampleRate = reader.sampleRate();
    result.channels = reader.channels();
    if (result.channels < 1 || result.channels > 2)
        throwIoError("'" + options.inputPath + "' has " + std::to_string(result.channels) +
                     " channels; only mono and stereo files can be rendered");
    if (result.sampleRate < 1)
        throwIoError("'" + options.inputPath + "' has no valid sample rate");

    const int channels = result.channels;
    const int block = options.blockSize;
    const std::int64_t tailFrames =
        static_cast<std::int64_t>(std::llround(options.tailSeconds * result.sampleRate));

    LoudnessMeter inputMeter(channels, result.sampleRate);
    LoudnessMeter outputMeter(channels, result.sampleRate);
    AudioWriter writer(options.outputPath, result.sampleRate, channels,
                       options.format.value_or(defaultSampleFormat(options.outputPath)));

    // Every buffer is sized here, before the first block.
    std::vector<double> interleavedIn(static_cast<std::size_t>(block) * channels, 0.0);
    std::vector<double> interleavedOut(static_cast<std::size_t>(block) * channels, 0.0);
    std::vector<std::vector<double>> planarIn(channels, std::vector<double>(block, 0.0));
    std::vector<std::vector<double>> planarOut(channels, std::vector<double>(block, 0.0));
    std::vector<const double*> inPointers(channels);
    std::vector<double*> outPointers(channels);
    for (int c = 0; c < channels; ++c)
    {
        inPointers[c] = planarIn[c].data();
        outPointers[c] = planarOut[c].data();
    }

    effect.startProcessing(result.sampleRate, channels, block, options.tempoBpm);
    std::int64_t position = 0;
    std::int64_t tailLeft = tailFrames;
    bool inputEnded = false;
    while (true)
    {
        int frames = 0;
        if (!inputEnded)
        {
            frames = reader.read(interleavedIn.data(), block);
            if (frames > 0)
            {
                inputMeter.add(interleavedIn.data(), frames);
                result.inputFrames += frames;
            }
            else
                inputEnded = true;
        }
        if (inputEnded)
        {
            if (tailLeft <= 0)
                break;
            frames = static_cast<int>(std::min<std::int64_t>(tailLeft, block));
            std::fill(interleavedIn.begin(),
                      interleavedIn.begin() + static_cast<std::ptrdiff_t>(frames) * channels, 0.0);
            tailLeft -= frames;
        }

        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                planarIn[c][i] = interleavedIn[static_cast<std::size_t>(i) * channels + c];
        effect.process(inPointers.data(), outPointers.data(), frames, position);
        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                interleavedOut[static_cast<std::size_t>(i) * channels + c] = planarOut[c][i];

        writer.write(interleavedOut.data(), frames);
        outputMeter.add(interleavedOut.data(), frames);
        position += frames;
        progress.update(position);
    }
    effect.stopProcessing();
    writer.commit();
    progress.finish();

    result.outputFrames = position;
    result.input = inputMeter.figures();
    result.output = outputMeter.figures();
    return result;
}

namespace
{
void printReport(std::ostream& out, const RenderOptions& options, const RenderResult& r)
{
    if (options.report == RenderOptions::Report::Json)
    {
        out << "{\"input\": " << loudnessJson(r.input) << ", \"output\": " << loudnessJson(r.output)
            << ", \"sample_rate\": " << r.sampleRate << ", \"channels\": " << r.channels
            << ", \"input_frames\": " << r.inputFrames << ", \"output_frames\": " << r.outputFrames << "}\n";
        return;
    }
    out << formatLoudnessLine("input", r.input) << '\n' << formatLoudnessLine("output", r.output) << '\n';
}

void run(const std::vector<std::string>& arguments, const ToolEnvironment& env)
{
    const RenderOptions options = parseArguments(arguments);
    if (options.help)
    {
        env.out << usageText();
        return;
    }

    std::unique_ptr<Effect> effect = env.makeEffect();
    if (options.listPresets)
        for (const std::string& name : effect->presetNames())
            env.out << name << '\n';
    if (options.listParams)
        env.out << formatParameterList(effect->parameters());
    if (options.listPresets || options.listParams)
        return;

    applySettings(*effect, options);
    const std::vector<std::uint8_t> state =
        options.saveStatePath ? effect->getState() : std::vector<std::uint8_t>();

    if (options.rendersAudio())
    {
        AudioReader probe(options.inputPath); // fails early, before any output exists
        ProgressBar bar(env.progressStream, env.showProgress,
                        probe.frames() + static_cast<std::int64_t>(options.tailSeconds * probe.sampleRate()));
        const RenderResult result = renderFile(*effect, options, bar);
        if (options.saveStatePath)
            writeBinaryFileAtomically(*options.saveStatePath, state);
        printReport(env.out, options, result);
    }
    else if (options.saveStatePath)
        writeBinaryFileAtomically(*options.saveStatePath, state);
}
} // namespace

int runRenderTool(const std::vector<std::string>& arguments, const ToolEnvironment& environment)
{
    try
    {
        run(arguments, environment);
        return kExitOk;
    }
    catch (const ToolError& error)
    {
        environment.err << "pomelu-render: " << error.what() << '\n';
        return error.exitCode();
    }
    catch (const std::bad_alloc&)
    {
        environment.err << "pomelu-render: out of memory\n";
        return kExitIoError;
    }
    catch (const std::exception& error)
    {
        environment.err << "pomelu-render: " << error.what() << '\n';
        return kExitIoError;
    }
}

} // namespace pomelu::tools
