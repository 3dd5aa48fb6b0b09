// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioFile.h"

#include "Errors.h"
#include "TemporaryFiles.h"
#include "Text.h"

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pomelu::tools
{

namespace
{
std::string extensionOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return toLower(path.substr(dot + 1));
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The system's reason for the last failure when there is one, else libsndfile's.
std::string failureReason(sf_private_tag* file)
{
    return errno != 0 ? std::strerror(errno) : sf_strerror(file);
}
} // namespace

int createTemporaryNextTo(const std::string& destination, std::string& tempPath, int& slot)
{
    // The name is registered before the file exists, so an interrupt can never strand it; O_EXCL
    // makes a name another process already took fail and get drawn again.
    static std::atomic<std::uint64_t> drawn{static_cast<std::uint64_t>(::getpid()) << 32};
    const std::string stem = folderOf(destination) + "/." + baseNameOf(destination) + ".tmp-";
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        std::uint64_t x = (drawn++ + static_cast<std::uint64_t>(std::time(nullptr))) * 0x9E3779B97F4A7C15ull;
        std::string name = stem;
        for (int i = 0; i < 6; ++i, x /= 62)
            name += kLetters[x % 62];
        slot = registerTemporaryFile(name);
        // 0666 less the umask: the permissions a plain create gives.
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
        {
            tempPath = name;
            return fd;
        }
        const int error = errno;
        unregisterTemporaryFile(slot);
        if (error != EEXIST)
            throwIoError("cannot write in '" + folderOf(destination) + "': " + std::strerror(error));
    }
    throwIoError("cannot write in '" + folderOf(destination) + "': no free temporary name");
}

namespace
{
void renameOrThrow(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
    {
        const std::string reason = std::strerror(errno);
        std::remove(from.c_str());
        throwIoError("cannot write '" + to + "': " + reason);
    }
}
} // namespace

SampleFormat parseSampleFormat(const std::string& text)
{
    const std::string folded = toLower(text);
    if (folded == "float" || folded == "float32")
        return SampleFormat::Float32;
    if (folded == "pcm16")
        return SampleFormat::Pcm16;
    if (folded == "pcm24")
        return SampleFormat::Pcm24;
    throwUsageError("--format '" + text + "': expected pcm16, pcm24 or float");
}

namespace
{
struct TypeInfo
{
    FileType type;
    const char* extensions[3];
    int format; // libsndfile container and, for lossy types, codec
};

constexpr TypeInfo kTypes[] = {
    {FileType::Wav, {"wav", "wave", nullptr}, SF_FORMAT_WAV},
    {FileType::Flac, {"flac", nullptr, nullptr}, SF_FORMAT_FLAC},
    {FileType::Aiff, {"aiff", "aif", "aifc"}, SF_FORMAT_AIFF},
    {FileType::Mp3, {"mp3", nullptr, nullptr}, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
    {FileType::Opus, {"opus", nullptr, nullptr}, SF_FORMAT_OGG | SF_FORMAT_OPUS},
    {FileType::Vorbis, {"ogg", nullptr, nullptr}, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
};

const TypeInfo& infoFor(FileType type)
{
    return kTypes[static_cast<int>(type)];
}

std::optional<FileType> typeForExtension(const std::string& ext)
{
    for (const TypeInfo& t : kTypes)
        for (const char* e : t.extensions)
            if (e != nullptr && ext == e)
                return t.type;
    return std::nullopt;
}

constexpr const char* kKnownTypes = ".wav, .flac, .aif, .aiff, .mp3, .opus or .ogg";
} // namespace

std::optional<FileType> fileTypeForPath(const std::string& path)
{
    return typeForExtension(extensionOf(path));
}

bool isLossy(FileType type)
{
    return type == FileType::Mp3 || type == FileType::Opus || type == FileType::Vorbis;
}

const char* extensionFor(FileType type)
{
    return infoFor(type).extensions[0];
}

FileType parseFileType(const std::string& text)
{
    const std::optional<FileType> type = typeForExtension(toLower(text));
    if (!type)
        throwUsageError("--type '" + text + "': expected wav, flac, aiff, mp3, opus or ogg");
    return *type;
}

SampleFormat defaultSampleFormat(const std::string& destination)
{
    return fileTypeForPath(destination) == FileType::Flac ? SampleFormat::Pcm24 : SampleFormat::Float32;
}

void checkOutputFormat(const std::string& destination, SampleFormat format)
{
    const std::optional<FileType> type = fileTypeForPath(destination);
    if (!type)
        throwUsageError("output '" + destination + "': unknown file type (use " + kKnownTypes + ")");
    if (type == FileType::Flac && format == SampleFormat::Float32)
        throwUsageError("output '" + destination +
                        "': FLAC holds no float samples (use --format pcm16 or pcm24)");
}

AudioReader::AudioReader(const std::string& filePath) : path(filePath)
{
    SF_INFO info{};
    file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        throwIoError("cannot read '" + path + "': " + sf_strerror(nullptr));
    channelCount = info.channels;
    rate = info.samplerate;
    frameCount = info.frames;
}

AudioReader::~AudioReader()
{
    if (file != nullptr)
        sf_close(file);
}

int AudioReader::read(double* interleaved, int maxFrames)
{
    const sf_count_t got = sf_readf_double(file, interleaved, maxFrames);
    if (got < 0 || (got == 0 && sf_error(file) != SF_ERR_NO_ERROR))
        throwIoError("cannot read '" + path + "': " + sf_strerror(file));
    return static_cast<int>(got);
}

AudioWriter::AudioWriter(const std::string& dest, int sampleRate, int channels, SampleFormat format,
                         const EncoderSettings& encoder, std::int64_t expectedFrames)
    : destination(dest), channelCount(channels), sampleFormat(format)
{
    checkOutputFormat(destination, format);
    const FileType type = *fileTypeForPath(destination);
    lossy = isLossy(type);
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = infoFor(type).format;
    if (!lossy)
        info.format |= format == SampleFormat::Float32 ? SF_FORMAT_FLOAT
                       : format == SampleFormat::Pcm16 ? SF_FORMAT_PCM_16
                                                       : SF_FORMAT_PCM_24;
    if (type == FileType::Opus && sampleRate != 48000 && sampleRate != 24000 && sampleRate != 16000 &&
        sampleRate != 12000 && sampleRate != 8000)
        throwUsageError("output '" + destination + "': Opus takes 8, 12, 16, 24 or 48 kHz, not " +
                        std::to_string(sampleRate) + " Hz (write .mp3 or .ogg, or resample the input)");
    if (!sf_format_check(&info))
        throwUsageError("output '" + destination + "': this file type cannot hold " +
                        std::to_string(channels) + " channels at " + std::to_string(sampleRate) +
                        " Hz in this sample format");
    // Plain WAV stops at 4 GB (a 32-bit size field); RF64 goes on.
    const std::int64_t bytesPerSample = format == SampleFormat::Pcm16   ? 2
                                        : format == SampleFormat::Pcm24 ? 3
                                                                        : 4;
    if (type == FileType::Wav && expectedFrames * channels * bytesPerSample > (std::int64_t{1} << 31))
    {
        info.format = (info.format & ~SF_FORMAT_TYPEMASK) | SF_FORMAT_RF64;
        rf64 = true;
    }

    const int fd = createTemporaryNextTo(destination, tempPath, temporarySlot);
    file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (file == nullptr)
    {
        const std::string reason = sf_strerror(nullptr);
        ::close(fd);
        discard();
        throwIoError("cannot write '" + destination + "': " + reason);
    }
    if (rf64)
        sf_command(file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    if (lossy)
    {
        // libsndfile's compression level runs from 0 (best) to 1 (smallest). MP3 at constant rate
        // maps it linearly onto 320 .. 32 kbit/s; Opus onto 256 .. 6 kbit/s per channel.
        int mode = SF_BITRATE_MODE_VARIABLE;
        double level = 0.5;
        if (encoder.bitrateKbps)
        {
            mode = SF_BITRATE_MODE_CONSTANT;
            const double kbps = *encoder.bitrateKbps;
            level = type == FileType::Mp3 ? (320.0 - kbps) / 288.0 : 1.0 - (kbps / channels - 6.0) / 250.0;
        }
        else if (encoder.quality)
            level = 1.0 - *encoder.quality / 10.0;
        level = std::clamp(level, 0.0, 1.0);
        if (type != FileType::Vorbis)
            sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof(mode));
        sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof(level));
    }
    if (!encoder.title.empty())
        sf_set_string(file, SF_STR_TITLE, encoder.title.c_str());
    if (!encoder.artist.empty())
        sf_set_string(file, SF_STR_ARTIST, encoder.artist.c_str());
    if (!encoder.comment.empty())
        sf_set_string(file, SF_STR_COMMENT, encoder.comment.c_str());
}

AudioWriter::~AudioWriter()
{
    if (!committed)
        discard();
}

const double* AudioWriter::write(const double* interleaved, int frames)
{
    if (frames <= 0)
        return interleaved;
    const std::size_t count = static_cast<std::size_t>(frames) * channelCount;
    errno = 0;
    if (lossy || sampleFormat == SampleFormat::Float32)
    {
        if (sf_writef_double(file, interleaved, frames) != frames)
            throwIoError("cannot write '" + destination + "': " + failureReason(file));
        return interleaved;
    }

    // Integers in the 32-bit range libsndfile shifts down: 16-bit values << 16, 24-bit << 8.
    const bool sixteen = sampleFormat == SampleFormat::Pcm16;
    const double scale = sixteen ? 32768.0 : 8388608.0;
    const int shift = sixteen ? 16 : 8;
    if (integers.size() < count)
    {
        integers.resize(count);
        stored.resize(count);
    }
    for (std::size_t i = 0; i < count; ++i)
    {
        double v = interleaved[i] * scale;
        if (sixteen)
        {
            // TPDF: two uniform values of one step each, so the error is independent of the signal.
            ditherState ^= ditherState << 13;
            ditherState ^= ditherState >> 7;
            ditherState ^= ditherState << 17;
            const double a = static_cast<double>(ditherState >> 40) / 16777216.0;
            const double b = static_cast<double>((ditherState >> 16) & 0xFFFFFF) / 16777216.0;
            v += a - b;
        }
        double q = std::nearbyint(v);
        if (q > scale - 1.0 || q < -scale)
        {
            q = std::clamp(q, -scale, scale - 1.0);
            ++clipped;
        }
        integers[i] = static_cast<int>(q) * (1 << shift);
        stored[i] = q / scale;
    }
    if (sf_writef_int(file, integers.data(), frames) != frames)
        throwIoError("cannot write '" + destination + "': " + failureReason(file));
    return stored.data();
}

void AudioWriter::close()
{
    if (file == nullptr)
        return;
    errno = 0;
    sf_write_sync(file);
    const int closeResult = sf_close(file);
    file = nullptr;
    if (closeResult != 0 || errno == ENOSPC || errno == EFBIG || errno == EDQUOT)
    {
        const std::string reason = errno != 0 ? std::strerror(errno) : sf_error_number(closeResult);
        discard();
        throwIoError("cannot write '" + destination + "': " + reason);
    }
}

void AudioWriter::commit()
{
    if (committed)
        return;
    close();
    renameOrThrow(tempPath, destination);
    unregisterTemporaryFile(temporarySlot);
    committed = true;
}

void AudioWriter::discard() noexcept
{
    if (file != nullptr)
    {
        sf_close(file);
        file = nullptr;
    }
    if (!tempPath.empty())
        std::remove(tempPath.c_str());
    unregisterTemporaryFile(temporarySlot);
    temporarySlot = -1;
}

std::vector<std::uint8_t> readBinaryFile(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        throwIoError("cannot read '" + path + "': " + std::strerror(errno));
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        throwIoError("cannot read '" + path + "'");
    return bytes;
}

void writeBinaryFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::string tempPath;
    int slot = -1;
    const int fd = createTemporaryNextTo(path, tempPath, slot);
    std::size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
        {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            std::remove(tempPath.c_str());
            unregisterTemporaryFile(slot);
            throwIoError("cannot write '" + path + "': " + reason);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
    {
        const std::string reason = std::strerror(errno);
        std::remove(tempPath.c_str());
        unregisterTemporaryFile(slot);
        throwIoError("cannot write '" + path + "': " + reason);
    }
    renameOrThrow(tempPath, path);
    unregisterTemporaryFile(slot);
}

bool isSameFile(const std::string& a, const std::string& b)
{
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace pomelu::tools
