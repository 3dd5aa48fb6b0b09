// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderSession.h"

#include "AudioFile.h"
#include "CommandLine.h"
#include "Errors.h"
#include "LoudnessPlot.h"
#include "ModuleOrderParser.h"
#include "SpillFile.h"
#include "Text.h"
#include "TruePeakLimiter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <mutex>
#include <new>
#include <thread>

namespace pomelu::tools
{

void applySettings(Effect& effect, const RenderOptions& options)
{
    applySettings(effect,
                  PluginSettings{options.statePath, options.presetName, options.settings, options.order});
}

namespace
{
constexpr int kDeliveryBlock = 8192;
constexpr double kLoudnessTolerance = 0.2; // LU a delivered file may miss its target by before a retry
constexpr int kDeliveryAttempts = 6;
constexpr double kMostExtraGainDb = 6.0;
// Room under the ceiling for meters whose oversampling filters read inter-sample peaks a little
// higher than ours: 0.1 dB.
constexpr double kCeilingMargin = 0.1;

// A finished file's figures as a player decodes it.
LoudnessFigures measureFile(const std::string& path)
{
    AudioReader reader(path);
    LoudnessMeter meter(reader.channels(), reader.sampleRate());
    std::vector<double> buffer(static_cast<std::size_t>(kDeliveryBlock) * reader.channels());
    while (const int n = reader.read(buffer.data(), kDeliveryBlock))
        meter.add(buffer.data(), n);
    return meter.figures();
}

// The spilled render scaled by gain and limited into writer, measured (as stored) into meter when
// there is one. Returns the limiter's deepest reduction in dB.
double writeDelivered(SpillFile& spill, AudioWriter& writer, int channels, int sampleRate, double gain,
                      double ceilingDbtp, LoudnessMeter* meter, PlotTrace* trace)
{
    spill.rewind();
    TruePeakLimiter limiter(channels, sampleRate, ceilingDbtp);
    const std::size_t size = static_cast<std::size_t>(std::max(kDeliveryBlock, limiter.latency())) * channels;
    std::vector<double> in(size), out(size);
    const auto emit = [&](int frames)
    {
        const double* stored = writer.write(out.data(), frames);
        if (meter != nullptr)
            meter->add(stored, frames);
        if (trace != nullptr)
            trace->output.add(stored, frames, channels);
    };
    while (const int n = spill.read(in.data(), kDeliveryBlock))
    {
        for (std::size_t i = 0; i < static_cast<std::size_t>(n) * channels; ++i)
            in[i] *= gain;
        emit(trace != nullptr ? trace->limit(limiter, in.data(), out.data(), n)
                              : limiter.process(in.data(), out.data(), n));
    }
    emit(trace != nullptr ? trace->finish(limiter, out.data()) : limiter.finish(out.data()));
    return limiter.largestReductionDb();
}

std::string oneDecimal(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string signedOneDecimal(double value)
{
    return (value >= 0.0 ? "+" : "") + oneDecimal(value);
}

// Why a render has no integrated loudness: too short for one 400 ms block, every block under the
// absolute gate, or nothing at all.
std::string whyNoLoudness(const LoudnessFigures& figures, std::int64_t frames, int sampleRate)
{
    const double seconds = static_cast<double>(frames) / sampleRate;
    if (seconds < 0.4)
        return "the render is " + formatNumber(std::round(seconds * 1000.0) / 1000.0) +
               " s long, too short to measure an integrated loudness (it takes at least 0.4 s)";
    if (std::isfinite(figures.loudestBlockLufs))
        return "the render is too quiet to measure: its loudest 400 ms read " +
               oneDecimal(figures.loudestBlockLufs) +
               " LUFS, under the -70 LUFS gate of an integrated loudness";
    return "the render is silent; there is no loudness to bring to the target";
}

// Lossy encoders get a sensible rate when none is asked for: speech-grade for mono.
EncoderSettings encoderFor(const RenderOptions& options, FileType type, int channels)
{
    EncoderSettings encoder = options.encoder;
    if (!encoder.quality && !encoder.bitrateKbps && type != FileType::Vorbis)
        encoder.bitrateKbps = (type == FileType::Mp3 ? 128.0 : 96.0) / (channels == 1 ? 2.0 : 1.0);
    return encoder;
}
} // namespace

RenderResult renderFile(Effect& effect, const RenderOptions& options, const RenderJob& job,
                        ProgressBar& progress)
{
    AudioReader reader(job.inputPath);
    RenderResult result;
    result.job = job;
    result.sampleRate = reader.sampleRate();
    result.channels = reader.channels();
    const std::string& in = job.inputPath;
    if (result.channels < 1 || result.channels > 2)
        throwIoError("'" + in + "' has " + std::to_string(result.channels) +
                     " channels; only mono and stereo files can be rendered");
    if (result.sampleRate < kMinSampleRate)
        throwIoError("'" + in + "' is at " + std::to_string(result.sampleRate) +
                     " Hz; the plug-in runs at 8000 Hz and up (resample it first, e.g. sox IN -r 16000 OUT)");
    if (isSameFile(in, job.outputPath))
        throwUsageError("OUT '" + job.outputPath +
                        "' is the input file itself; give the output another name");

    const int channels = result.channels;
    const int rate = result.sampleRate;
    const int block = options.blockSize;
    const std::int64_t tailFrames = static_cast<std::int64_t>(std::llround(options.tailSeconds * rate));
    const FileType type = *fileTypeForPath(job.outputPath);
    const bool lossy = isLossy(type);
    const bool report = options.report != RenderOptions::Report::None;
    const SampleFormat format = options.format.value_or(defaultSampleFormat(job.outputPath));
    const EncoderSettings encoder = encoderFor(options, type, channels);
    const std::int64_t expectedFrames = reader.frames() + tailFrames;
    result.measured = report;

    // The plug-in's output is measured on the way for a target, or for the report when the file
    // will hold exactly it; lossy files are measured after encoding instead.
    std::optional<LoudnessMeter> inputMeter, outputMeter;
    if (report)
        inputMeter.emplace(channels, rate);
    // The picture keeps the output's loudness every 100 ms from the meter that hears the file.
    std::optional<PlotTrace> trace;
    if (!job.plotPath.empty())
        trace.emplace(expectedFrames, plotColumns(options.plotScale), rate, channels);
    // A lossy file's true peak is measured decoded, after encoding.
    const auto outputMeasures = [&](bool final) {
        return LoudnessMeasures{true, !(lossy && final), trace && final};
    };
    if (options.delivers() || (report && !lossy) || trace)
        outputMeter.emplace(channels, rate, outputMeasures(!options.delivers()));
    std::optional<SpillFile> spill;
    std::optional<AudioWriter> writer;
    if (options.delivers())
        spill.emplace(job.outputPath, channels);
    else
        writer.emplace(job.outputPath, rate, channels, format, encoder, expectedFrames);

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

    effect.startProcessing(rate, channels, block, options.tempoBpm);
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
                result.inputFrames += frames;
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

        const double* stored = interleavedOut.data();
        if (spill)
            spill->write(stored, frames);
        else
            stored = writer->write(stored, frames);
        // The tail after the input is not the input's: only the output meter hears it.
        if (inputMeter && !inputEnded && outputMeter)
            LoudnessMeter::addTogether(*inputMeter, interleavedIn.data(), *outputMeter, stored, frames);
        else
        {
            if (inputMeter && !inputEnded)
                inputMeter->add(interleavedIn.data(), frames);
            if (outputMeter)
                outputMeter->add(stored, frames);
        }
        if (trace)
        {
            if (!inputEnded)
                trace->input.add(interleavedIn.data(), frames, channels);
            if (!spill)
                trace->output.add(stored, frames, channels);
        }
        position += frames;
        progress.update(position);
    }
    effect.stopProcessing();
    result.outputFrames = position;
    if (inputMeter)
        result.input = inputMeter->figures();

    if (options.delivers())
    {
        const LoudnessFigures before = outputMeter->figures();
        if (!std::isfinite(before.integratedLufs))
            throwIoError("'" + in + "': " + whyNoLoudness(before, result.outputFrames, rate));
        DeliveryFigures delivery;
        delivery.targetLufs = options.targetLufs.value_or(
            namedTargetLufs(options.targetName.value_or(""), channels).value_or(0.0));
        delivery.ceilingDbtp = options.ceilingDbtp;
        delivery.gainDb = delivery.targetLufs - before.integratedLufs;
        if (delivery.gainDb > options.maxGainDb)
            throwIoError("'" + in + "': the render measures " + oneDecimal(before.integratedLufs) +
                         " LUFS and would need " + signedOneDecimal(delivery.gainDb) + " dB to reach " +
                         oneDecimal(delivery.targetLufs) + " LUFS, more than the delivery's cap of " +
                         signedOneDecimal(options.maxGainDb) + " dB (--max-gain raises it)");
        // Encoding moves true peaks: lossy files start with half a dB more room and are checked decoded.
        double limiterCeiling = options.ceilingDbtp - kCeilingMargin - (lossy ? 0.5 : 0.0);
        // The limiter takes back part of any gain: the next try follows the slope of the last two, but
        // never pushes more than 6 dB into the limiter beyond the first guess.
        const double mostGainDb = std::min(delivery.gainDb + kMostExtraGainDb, options.maxGainDb);
        double lastGain = 0.0, lastLufs = before.integratedLufs, slope = 1.0;
        for (int attempt = 1;; ++attempt)
        {
            writer.reset();
            writer.emplace(job.outputPath, rate, channels, format, encoder, expectedFrames);
            std::optional<LoudnessMeter> stored;
            if (!lossy || trace)
                stored.emplace(channels, rate, outputMeasures(true));
            if (trace)
                trace->restartOutput();
            delivery.largestReductionDb =
                writeDelivered(*spill, *writer, channels, rate, dbToAmplitude(delivery.gainDb),
                               limiterCeiling, stored ? &*stored : nullptr, trace ? &*trace : nullptr);
            if (trace)
                trace->outputLoudness = stored->history();
            writer->close();
            result.output = lossy ? measureFile(writer->temporaryPath()) : stored->figures();
            const double miss = delivery.targetLufs - result.output.integratedLufs;
            const double over = result.output.truePeakDbtp - options.ceilingDbtp;
            if (std::fabs(miss) <= kLoudnessTolerance && over <= 0.0)
                break;
            const bool gainSpent = delivery.gainDb >= mostGainDb && miss > 0.0 && over <= 0.0;
            if (attempt == kDeliveryAttempts || gainSpent)
            {
                if (over > 0.0)
                    throwIoError("'" + job.outputPath +
                                 "': the encoder keeps true peaks above the ceiling (" +
                                 formatNumber(std::round(result.output.truePeakDbtp * 100.0) / 100.0) +
                                 " dBTP); try a higher --bitrate or --quality");
                result.warning = "reached " +
                                 formatNumber(std::round(result.output.integratedLufs * 10.0) / 10.0) +
                                 " LUFS, not " + formatNumber(delivery.targetLufs) +
                                 ": the limiter cannot hold more loudness under the ceiling";
                break;
            }
            const double gained = result.output.integratedLufs - lastLufs;
            if (std::fabs(gained) > 0.05)
                slope = std::clamp((delivery.gainDb - lastGain) / gained, 1.0, 4.0);
            lastGain = delivery.gainDb;
            lastLufs = result.output.integratedLufs;
            delivery.gainDb = std::min(delivery.gainDb + miss * slope, mostGainDb);
            if (over > 0.0)
                limiterCeiling -= over + 0.1;
        }
        result.beforeDelivery = before;
        result.delivery = delivery;
        result.measured = true;
    }
    else
    {
        writer->close();
        if (report)
            result.output = lossy ? measureFile(writer->temporaryPath()) : outputMeter->figures();
        if (trace)
            trace->outputLoudness = outputMeter->history();
    }
    result.trace = std::move(trace);
    result.clippedSamples = writer->clippedSamples();
    writer->commit();
    progress.finish();
    return result;
}

namespace
{
std::string deliveryLine(const DeliveryFigures& d)
{
    char buffer[160];
    std::snprintf(buffer, sizeof(buffer),
                  "target  %7.1f LUFS under %.1f dBTP: gain %+.1f dB, limiter down to %.1f dB", d.targetLufs,
                  d.ceilingDbtp, d.gainDb, d.largestReductionDb);
    return buffer;
}

std::string deliveryJson(const DeliveryFigures& d)
{
    char buffer[200];
    std::snprintf(
        buffer, sizeof(buffer),
        "{\"target_lufs\": %.2f, \"ceiling_dbtp\": %.2f, \"gain_db\": %.2f, \"largest_reduction_db\": %.2f}",
        d.targetLufs, d.ceilingDbtp, d.gainDb, d.largestReductionDb);
    return buffer;
}

std::string jsonString(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
            quoted += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
        {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\u%04x", c);
            quoted += escape;
        }
        else
            quoted += c;
    }
    return quoted + "\"";
}

// The figures of one render; batch reports name the files.
void printReport(std::ostream& out, const RenderOptions& options, const RenderResult& r, bool batch)
{
    if (!r.measured)
        return;
    if (options.report == RenderOptions::Report::Json)
    {
        out << "{";
        if (batch)
            out << "\"input_file\": " << jsonString(r.job.inputPath)
                << ", \"output_file\": " << jsonString(r.job.outputPath) << ", ";
        out << "\"input\": " << loudnessJson(r.input);
        if (r.beforeDelivery)
            out << ", \"plugin_output\": " << loudnessJson(*r.beforeDelivery);
        out << ", \"output\": " << loudnessJson(r.output);
        if (r.delivery)
            out << ", \"delivery\": " << deliveryJson(*r.delivery);
        out << ", \"clipped_samples\": " << r.clippedSamples << ", \"sample_rate\": " << r.sampleRate
            << ", \"channels\": " << r.channels << ", \"input_frames\": " << r.inputFrames
            << ", \"output_frames\": " << r.outputFrames << "}\n";
        return;
    }
    if (batch)
        out << r.job.inputPath << " -> " << r.job.outputPath << '\n';
    if (options.report == RenderOptions::Report::Text)
    {
        out << formatLoudnessLine("input", r.input) << '\n';
        if (r.beforeDelivery)
            out << formatLoudnessLine("plug-in", *r.beforeDelivery) << '\n';
        out << formatLoudnessLine("output", r.output) << '\n';
    }
    if (r.delivery)
        out << deliveryLine(*r.delivery) << '\n';
}

void warn(std::ostream& err, const RenderResult& r)
{
    if (!r.warning.empty())
        err << "pomelu-render: warning: '" << r.job.outputPath << "': " << r.warning << '\n';
    if (r.clippedSamples > 0)
        err << "pomelu-render: warning: '" << r.job.outputPath << "': " << r.clippedSamples
            << " samples clipped at full scale (lower Output, or deliver with --target)\n";
}

// The job's picture, after its report: a picture that cannot be written leaves the render in place.
void plot(const RenderOptions& options, const RenderResult& result)
{
    if (result.trace)
        writeLoudnessPlot(result.job.plotPath, result, options.plotTheme, options.plotScale);
}

// Renders every job on up to options.jobs threads, each with its own plug-in instance. A failing
// file reports its error and the others go on; returns the worst exit status.
int renderBatch(const std::vector<RenderJob>& jobs, const RenderOptions& options, const ToolEnvironment& env)
{
    std::error_code error;
    std::filesystem::create_directories(*options.outDir, error);
    if (error)
        throwIoError("cannot create '" + *options.outDir + "': " + error.message());
    if (options.plotDir)
    {
        std::filesystem::create_directories(*options.plotDir, error);
        if (error)
            throwIoError("cannot create '" + *options.plotDir + "': " + error.message());
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers =
        std::min<std::size_t>(jobs.size(), options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : cores);
    std::mutex lock; // guards plug-in construction, the streams and the status
    std::atomic<std::size_t> next{0};
    int status = kExitOk;

    const auto work = [&]
    {
        for (std::size_t i = next++; i < jobs.size(); i = next++)
        {
            try
            {
                std::unique_ptr<Effect> effect;
                {
                    const std::lock_guard<std::mutex> guard(lock);
                    effect = env.makeEffect();
                    applySettings(*effect, options);
                }
                ProgressBar silent(nullptr, false, 0);
                const RenderResult result = renderFile(*effect, options, jobs[i], silent);
                {
                    const std::lock_guard<std::mutex> guard(lock);
                    printReport(env.out, options, result, true);
                    warn(env.err, result);
                }
                plot(options, result);
            }
            catch (const ToolError& failure)
            {
                const std::lock_guard<std::mutex> guard(lock);
                env.err << "pomelu-render: " << failure.what() << '\n';
                status = std::max(status, failure.exitCode());
            }
            catch (const std::exception& failure)
            {
                const std::lock_guard<std::mutex> guard(lock);
                env.err << "pomelu-render: '" << jobs[i].inputPath << "': " << failure.what() << '\n';
                status = std::max(status, kExitIoError);
            }
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
    return status;
}

int run(const std::vector<std::string>& arguments, const ToolEnvironment& env)
{
    const RenderOptions options = parseArguments(arguments);
    if (options.help)
    {
        env.out << usageText();
        return kExitOk;
    }
    if (options.version)
    {
        env.out << versionText("pomelu-render");
        return kExitOk;
    }

    std::unique_ptr<Effect> effect = env.makeEffect();
    if (options.listPresets)
        for (const std::string& name : effect->presetNames())
            env.out << name << '\n';
    if (options.listParams)
        env.out << formatParameterList(effect->parameters());
    if (options.listPresets || options.listParams)
        return kExitOk;

    // Every name and value is checked here, before any file is touched.
    applySettings(*effect, options);
    const std::vector<std::uint8_t> state =
        options.saveStatePath ? effect->getState() : std::vector<std::uint8_t>();

    int status = kExitOk;
    if (options.outDir)
        status = renderBatch(renderJobs(options), options, env);
    else if (options.rendersAudio())
    {
        const RenderJob job = renderJobs(options).front();
        AudioReader probe(job.inputPath); // fails early, before any output exists
        ProgressBar bar(env.progressStream, env.showProgress,
                        probe.frames() + static_cast<std::int64_t>(options.tailSeconds * probe.sampleRate()));
        const RenderResult result = renderFile(*effect, options, job, bar);
        printReport(env.out, options, result, false);
        warn(env.err, result);
        plot(options, result);
    }
    if (options.saveStatePath)
        writeBinaryFileAtomically(*options.saveStatePath, state);
    return status;
}
} // namespace

int runRenderTool(const std::vector<std::string>& arguments, const ToolEnvironment& environment)
{
    try
    {
        return run(arguments, environment);
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
