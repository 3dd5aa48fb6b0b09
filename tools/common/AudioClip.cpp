// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioClip.h"

#include "Errors.h"

#include <sndfile.h>

#include <memory>

namespace pomelu::tools
{

AudioClip loadAudioClip(const std::string& path)
{
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_READ, &info), sf_close);
    const std::string name = "'" + path + "'";
    if (!file)
        throwIoError("cannot read " + name + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.channels > 2)
        throwIoError(name + " has " + std::to_string(info.channels) +
                     " channels; only mono and stereo files can be played");
    if (info.samplerate < 8000)
        throwIoError(name + " is at " + std::to_string(info.samplerate) +
                     " Hz; the plug-in runs at 8000 Hz and up (resample it first, e.g. sox IN -r 16000 OUT)");
    if (info.frames <= 0)
        throwIoError(name + " holds no audio");
    if (static_cast<double>(info.frames) > AudioClip::kLongestSeconds * info.samplerate)
        throwIoError(name + " lasts more than 10 minutes; cut it shorter (e.g. sox IN OUT trim 0 60)");

    AudioClip clip;
    clip.sampleRate = info.samplerate;
    clip.fileChannels = info.channels;
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * info.channels);
    const sf_count_t got = sf_readf_float(file.get(), interleaved.data(), info.frames);
    if (got <= 0)
        throwIoError("cannot read " + name + ": " + sf_strerror(file.get()));
    for (auto& channel : clip.channels)
        channel.resize(static_cast<std::size_t>(got));
    for (sf_count_t i = 0; i < got; ++i)
        for (int c = 0; c < 2; ++c)
            clip.channels[c][i] = interleaved[i * info.channels + (c < info.channels ? c : 0)];
    return clip;
}

} // namespace pomelu::tools
