// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

namespace pomelu::tools
{

enum class SampleFormat
{
    Float32,
    Pcm16,
    Pcm24
};

// "float", "pcm16", "pcm24"; throws ToolError (usage) for anything else.
SampleFormat parseSampleFormat(const std::string& text);

// Reads a WAV, FLAC or AIFF file (anything libsndfile opens) block by block as interleaved doubles
// in [-1, 1] full scale. Throws ToolError (I/O) when the file cannot be opened.
class AudioReader
{
public:
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int channels() const { return channelCount; }
    int sampleRate() const { return rate; }
    std::int64_t frames() const { return frameCount; }

    // Up to maxFrames frames into interleaved; returns the number read, 0 at the end.
    // Throws ToolError (I/O) on a read error.
    int read(double* interleaved, int maxFrames);

private:
    std::string path;
    sf_private_tag* file = nullptr;
    int channelCount = 0;
    int rate = 0;
    std::int64_t frameCount = 0;
};

// Writes an audio file under a temporary name in the destination's folder and gives it its real
// name only in commit(), so a failed or interrupted render never leaves a half-written file. The
// container follows the destination's extension (.wav, .flac, .aif/.aiff). Destroying a writer that
// was not committed removes the temporary file. Throws ToolError: usage for an unknown extension or
// a format the container cannot hold (float in FLAC), I/O when the folder is not writable.
class AudioWriter
{
public:
    AudioWriter(const std::string& destination, int sampleRate, int channels, SampleFormat format);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const double* interleaved, int frames);
    void commit();
    const std::string& temporaryPath() const { return tempPath; }

private:
    void discard() noexcept;

    std::string destination;
    std::string tempPath;
    sf_private_tag* file = nullptr;
    bool committed = false;
};

// The container format libsndfile needs for a destination name, or 0 when the extension is unknown.
int containerForPath(const std::string& path);

// The sample format used when none is asked for: 32-bit float, or 24-bit for FLAC (which has no float).
SampleFormat defaultSampleFormat(const std::string& destination);

// Checks the destination's extension and format without creating anything; throws like AudioWriter.
void checkOutputFormat(const std::string& destination, SampleFormat format);

// Whole-file helpers with the same temporary-then-rename discipline. Throw ToolError (I/O).
std::vector<std::uint8_t> readBinaryFile(const std::string& path);
void writeBinaryFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace pomelu::tools
