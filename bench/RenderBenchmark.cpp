// SPDX-License-Identifier: GPL-3.0-or-later
// pomelu-render end to end on a generated 10-minute stereo 48 kHz voice-like file: read, process,
// write, report. CPU time is the whole process's (the report may run on a second thread), so
// "x_realtime" is seconds of audio per CPU second, user and system time together.
#include "PomeluEffect.h"
#include "RenderSession.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int kRate = 48000;
constexpr double kSeconds = 600.0;

// Phrases of harmonics and noise with pauses between them, the two channels slightly different.
std::string makeInput()
{
    const std::string path = "/tmp/pomelu-bench-render-" + std::to_string(::getpid()) + ".wav";
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return "";
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 0.02);
    std::vector<double> block(2 * 4800);
    const long frames = static_cast<long>(kSeconds * kRate);
    for (long start = 0; start < frames; start += 4800)
    {
        for (int i = 0; i < 4800; ++i)
        {
            const double t = static_cast<double>(start + i) / kRate;
            const double phrase = std::fmod(t, 3.1);
            const double envelope = phrase < 2.4 ? std::sin(std::numbers::pi * phrase / 2.4) : 0.0;
            const double pitch = 2.0 * std::numbers::pi * (130.0 + 20.0 * std::sin(0.7 * t)) * t;
            const double voice = 0.25 * std::sin(pitch) + 0.12 * std::sin(2.0 * pitch) +
                                 0.05 * std::sin(17.0 * pitch) + noise(random);
            block[2 * i] = envelope * voice;
            block[2 * i + 1] = envelope * (0.9 * voice + 0.3 * noise(random));
        }
        sf_writef_double(file, block.data(), 4800);
    }
    sf_close(file);
    return path;
}

const std::string& input()
{
    static const std::string path = makeInput();
    return path;
}

std::vector<std::string> fullRack()
{
    std::vector<std::string> arguments;
    for (const char* setting :
         {"Pop Cut=on", "S Clear=on", "EQ=on", "Distortion=on", "Phaser=on", "Tremolo=on", "Leveler=on",
          "Comp=on", "Clip Guard=on", "Delay=on", "Reverb=on", "Delay Wet=30", "Reverb Wet=30",
          "Distortion Mix=50", "Tremolo Depth=50"})
    {
        arguments.push_back("--set");
        arguments.push_back(setting);
    }
    return arguments;
}

void render(benchmark::State& state, std::vector<std::string> settings)
{
    const std::string output = input() + ".out.wav";
    std::vector<std::string> arguments{input(), output};
    arguments.insert(arguments.end(), settings.begin(), settings.end());
    for (auto _ : state)
    {
        std::ostringstream out, err;
        const pomelu::tools::ToolEnvironment environment{out, err, nullptr, false,
                                                         pomelu::tools::makePomeluEffect};
        if (pomelu::tools::runRenderTool(arguments, environment) != 0)
        {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    std::remove(output.c_str());
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
}

void registerRow(const std::string& name, std::vector<std::string> settings)
{
    for (const char* report : {"text", "none"})
    {
        std::vector<std::string> arguments = settings;
        arguments.insert(arguments.end(), {"--report", report});
        benchmark::RegisterBenchmark((name + "/report:" + report).c_str(),
                                     [arguments](benchmark::State& state) { render(state, arguments); })
            ->MeasureProcessCPUTime()
            ->Iterations(1)
            ->Unit(benchmark::kSecond);
    }
}

// A delivery with and without its picture: the picture may cost at most 5 % more CPU.
void registerPlotRows()
{
    for (const bool plot : {false, true})
        benchmark::RegisterBenchmark(
            plot ? "PodcastDelivery/plot:png" : "PodcastDelivery/plot:none",
            [plot](benchmark::State& state)
            {
                std::vector<std::string> arguments{"--preset", "Podcast", "--target", "podcast"};
                if (plot)
                    arguments.insert(arguments.end(), {"--plot", input() + ".png"});
                render(state, arguments);
            })
            ->MeasureProcessCPUTime()
            ->Iterations(1)
            ->Repetitions(3)
            ->Unit(benchmark::kSecond);
}

int registerAll()
{
    registerRow("Bypass", {"--set", "Bypass=on"});
    registerRow("Podcast", {"--preset", "Podcast"});
    registerRow("FullRack", fullRack());
    registerPlotRows();
    return 0;
}

const int registered = registerAll();
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (input().empty())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove((input() + ".png").c_str());
    std::remove(input().c_str());
    return 0;
}
