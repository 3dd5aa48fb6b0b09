// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
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

// The file types the renderer writes, by extension: .wav/.wave, .flac, .aif/.aiff/.aifc, .mp3,
// .opus (Ogg Opus), .ogg (Ogg Vorbis).
enum class FileType
{
    Wav,
    Flac,
    Aiff,
    Mp3,
    Opus,
    Vorbis
};

std::optional<FileType> fileTypeForPath(const std::string& path);
bool isLossy(FileType type);
// The extension written for a type in batches: "wav", "flac", "aiff", "mp3", "opus", "ogg".
const char* extensionFor(FileType type);
// A --type value: an extension as above, any case; throws ToolError (usage) for others.
FileType parseFileType(const std::string& text);

// What lossy encoders are given; none of it applies to WAV, FLAC or AIFF.
struct EncoderSettings
{
    std::optional<double> quality;     // 0 (smallest) to 10 (best): variable bit rate
    std::optional<double> bitrateKbps; // constant bit rate for MP3, target rate for Opus
    std::string title, artist, comment;
};

// Reads anything libsndfile opens (WAV, RF64, FLAC, AIFF, MP3, Ogg) block by block as interleaved
// doubles in [-1, 1] full scale. Throws ToolError (I/O) when the file cannot be opened.
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
// name only in commit(), so a failed or interrupted render never leaves a half-written file under
// the destination's name. The temporary file is removed when writing fails, by the destructor of a
// writer not committed, and on SIGINT and SIGTERM while it is registered (installInterruptCleanup);
// a process killed otherwise (SIGKILL, a crash) leaves it behind, as does one whose registration
// found no free slot (TemporaryFiles.h). A WAV whose expected data comes near the 4 GB that a WAV
// size field can count (past 2 GB) is written as RF64, which libsndfile turns back into WAV on
// closing should it stay small after all; others are plain WAV. Integer formats are quantised
// here: 16-bit with TPDF dither, 24-bit rounded, both clipped at full scale and counted. Throws
// ToolError: usage for an unknown extension or a format the container cannot hold, I/O when
// writing fails (the message carries the system's reason, such as a full disk).
class AudioWriter
{
public:
    AudioWriter(const std::string& destination, int sampleRate, int channels, SampleFormat format,
                const EncoderSettings& encoder = {}, std::int64_t expectedFrames = 0);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    // Writes the frames; returns them as the file holds them (after quantisation), valid until the
    // next call. The buffer grows to the largest block written.
    const double* write(const double* interleaved, int frames);
    // Finishes the file under its temporary name (lossy files can then be read back from there).
    void close();
    // Closes if needed and renames the file into place.
    void commit();

    const std::string& temporaryPath() const { return tempPath; }
    // Samples (not frames) clipped at full scale by integer quantisation so far.
    std::int64_t clippedSamples() const { return clipped; }
    // True when the file starts as RF64 (and would become WAV again if it stayed small).
    bool switchesToRf64() const { return rf64; }

private:
    void discard() noexcept;

    std::string destination;
    std::string tempPath;
    int temporarySlot = -1;
    sf_private_tag* file = nullptr;
    int channelCount;
    SampleFormat sampleFormat;
    bool lossy;
    bool rf64 = false;
    bool committed = false;
    std::int64_t clipped = 0;
    std::uint64_t ditherState = 0x9E3779B97F4A7C15ull;
    std::vector<int> integers;
    std::vector<double> stored;
};

// The sample format used when none is asked for: 32-bit float, or 24-bit for FLAC (which has no float).
SampleFormat defaultSampleFormat(const std::string& destination);

// Checks the destination's extension and format without creating anything; throws like AudioWriter.
void checkOutputFormat(const std::string& destination, SampleFormat format);

// Whole-file helpers with the same temporary-then-rename discipline. Throw ToolError (I/O).
std::vector<std::uint8_t> readBinaryFile(const std::string& path);
void writeBinaryFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Whether two paths name the same existing file (same device and inode: hard links and different
// spellings of one path included).
bool isSameFile(const std::string& a, const std::string& b);

// Creates an empty hidden file next to path (".NAME.tmp-XXXXXX"), registered for removal on SIGINT
// and SIGTERM from before it exists; returns its descriptor and sets tempPath and slot (for
// unregisterTemporaryFile). Throws ToolError (I/O) when the folder is not writable.
int createTemporaryNextTo(const std::string& path, std::string& tempPath, int& slot);

} // namespace pomelu::tools
