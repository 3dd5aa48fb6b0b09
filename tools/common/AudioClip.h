// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pomelu::tools
{

// A sound file held in memory as two planar float channels (a mono file on both, as hosts feed a
// mono track to a stereo effect), for tools that play it to the plug-in: the snapshot's --audio
// and the standalone's loop, whose audio thread reads it without allocating.
struct AudioClip
{
    static constexpr double kLongestSeconds = 600.0;

    int sampleRate = 0;
    int fileChannels = 0;
    std::array<std::vector<float>, 2> channels;

    std::int64_t frames() const { return static_cast<std::int64_t>(channels[0].size()); }
};

// Reads anything libsndfile opens. Throws ToolError (I/O) naming the file when it cannot be read, has
// other than one or two channels, runs below 8000 Hz (the plug-in's lowest rate), holds no frames or
// lasts longer than kLongestSeconds.
AudioClip loadAudioClip(const std::string& path);

} // namespace pomelu::tools
