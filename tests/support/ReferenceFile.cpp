// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReferenceFile.h"

#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <limits>

namespace pomelu::test
{

std::vector<double> readReference(const std::string& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return {};
    const auto bytes = static_cast<std::size_t>(file.tellg());
    std::vector<double> values(bytes / sizeof(double));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(values.data()),
              static_cast<std::streamsize>(values.size() * sizeof(double)));
    return file ? values : std::vector<double>{};
}

std::vector<double> readFirstChannel(const std::string& path, int* sampleRate)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return {};
    std::vector<double> frames(static_cast<std::size_t>(info.frames * info.channels)), first;
    if (sf_readf_double(file, frames.data(), info.frames) == info.frames)
        for (std::size_t i = 0; i < frames.size(); i += static_cast<std::size_t>(info.channels))
            first.push_back(frames[i]);
    sf_close(file);
    if (sampleRate != nullptr)
        *sampleRate = info.samplerate;
    return first;
}

bool writeReference(const std::string& path, const std::vector<double>& values)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(values.data()),
               static_cast<std::streamsize>(values.size() * sizeof(double)));
    return file.good();
}

Deviation largestDeviation(const std::vector<double>& rendered, const std::vector<double>& reference)
{
    Deviation d;
    for (std::size_t i = 0; i < rendered.size() && i < reference.size(); ++i)
    {
        double difference = std::abs(rendered[i] - reference[i]);
        if (std::isnan(difference))
            difference = std::numeric_limits<double>::infinity();
        if (difference > d.largest)
            d = {difference, i};
    }
    return d;
}

} // namespace pomelu::test
