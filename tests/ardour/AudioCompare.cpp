#include "AudioCompare.h"

#include <sndfile.h>

#include <cmath>
#include <vector>

namespace pomelu::ardour
{
namespace
{
struct AudioData
{
    int channels = 0;
    int sampleRate = 0;
    std::int64_t frames = 0;
    std::vector<double> samples; // interleaved
};

bool readAudio(const std::string& path, AudioData& data, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
    {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    data.channels = info.channels;
    data.sampleRate = info.samplerate;
    data.frames = info.frames;
    data.samples.assign(static_cast<std::size_t>(info.frames * info.channels), 0.0);
    const sf_count_t got = sf_readf_double(file, data.samples.data(), info.frames);
    sf_close(file);
    if (got != info.frames)
    {
        error = "short read from " + path;
        return false;
    }
    return true;
}
} // namespace

bool compareAudioFiles(const std::string& testPath, const std::string& referencePath, std::int64_t fromFrame,
                       AudioComparison& result, std::string& error)
{
    AudioData test, reference;
    if (!readAudio(testPath, test, error) || !readAudio(referencePath, reference, error))
        return false;
    if (test.channels != reference.channels || test.sampleRate != reference.sampleRate ||
        test.frames != reference.frames)
    {
        error = "format differs: " + std::to_string(test.channels) + " ch, " +
                std::to_string(test.sampleRate) + " Hz, " + std::to_string(test.frames) + " frames against " +
                std::to_string(reference.channels) + " ch, " + std::to_string(reference.sampleRate) +
                " Hz, " + std::to_string(reference.frames) + " frames";
        return false;
    }
    if (fromFrame < 0 || fromFrame >= test.frames)
    {
        error = "start frame " + std::to_string(fromFrame) + " outside the " + std::to_string(test.frames) +
                " frames";
        return false;
    }
    result = {};
    double sumSquares = 0.0;
    for (std::int64_t frame = fromFrame; frame < test.frames; ++frame)
        for (int channel = 0; channel < test.channels; ++channel)
        {
            const auto i = static_cast<std::size_t>(frame * test.channels + channel);
            const double difference = std::fabs(test.samples[i] - reference.samples[i]);
            sumSquares += difference * difference;
            result.referencePeak = std::max(result.referencePeak, std::fabs(reference.samples[i]));
            if (difference > result.maxDifference || std::isnan(difference))
            {
                result.maxDifference = std::isnan(difference) ? INFINITY : difference;
                result.worstFrame = frame;
                result.worstChannel = channel;
            }
        }
    result.frames = test.frames - fromFrame;
    result.differenceRms = std::sqrt(sumSquares / static_cast<double>(result.frames * test.channels));
    return true;
}
} // namespace pomelu::ardour
