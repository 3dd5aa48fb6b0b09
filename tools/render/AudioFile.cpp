// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioFile.h"

#include "Errors.h"
#include "Text.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

// Creates an empty file next to the destination and returns its descriptor; the name goes to tempPath.
int createTemporaryNextTo(const std::string& destination, std::string& tempPath)
{
    std::string pattern = folderOf(destination) + "/." + baseNameOf(destination) + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        throwIoError("cannot write in '" + folderOf(destination) + "': " + std::strerror(errno));
    // mkstemp makes the file private; give the result the permissions a plain create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    tempPath.assign(name.data());
    return fd;
}

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

int containerForPath(const std::string& path)
{
    const std::string ext = extensionOf(path);
    if (ext == "wav" || ext == "wave")
        return SF_FORMAT_WAV;
    if (ext == "flac")
        return SF_FORMAT_FLAC;
    if (ext == "aif" || ext == "aiff" || ext == "aifc")
        return SF_FORMAT_AIFF;
    return 0;
}

SampleFormat defaultSampleFormat(const std::string& destination)
{
    return containerForPath(destination) == SF_FORMAT_FLAC ? SampleFormat::Pcm24 : SampleFormat::Float32;
}

void checkOutputFormat(const std::string& destination, SampleFormat format)
{
    const int container = containerForPath(destination);
    if (container == 0)
        throwUsageError("output '" + destination + "': unknown file type (use .wav, .flac, .aif or .aiff)");
    if (container == SF_FORMAT_FLAC && format == SampleFormat::Float32)
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

AudioWriter::AudioWriter(const std::string& dest, int sampleRate, int channels, SampleFormat format)
    : destination(dest)
{
    checkOutputFormat(destination, format);
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = containerForPath(destination);
    switch (format)
    {
    case SampleFormat::Float32:
        info.format |= SF_FORMAT_FLOAT;
        break;
    case SampleFormat::Pcm16:
        info.format |= SF_FORMAT_PCM_16;
        break;
    case SampleFormat::Pcm24:
        info.format |= SF_FORMAT_PCM_24;
        break;
    }
    if (!sf_format_check(&info))
        throwUsageError("output '" + destination + "': this file type cannot hold " +
                        std::to_string(channels) + " channels at " + std::to_string(sampleRate) +
                        " Hz in this sample format");

    const int fd = createTemporaryNextTo(destination, tempPath);
    file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (file == nullptr)
    {
        const std::string reason = sf_strerror(nullptr);
        ::close(fd);
        std::remove(tempPath.c_str());
        throwIoError("cannot write '" + destination + "': " + reason);
    }
    // Integer formats: clip overs instead of letting them wrap around.
    if (format != SampleFormat::Float32)
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioWriter::~AudioWriter()
{
    if (!committed)
        discard();
}

void AudioWriter::write(const double* interleaved, int frames)
{
    if (frames <= 0)
        return;
    if (sf_writef_double(file, interleaved, frames) != frames)
        throwIoError("cannot write '" + destination + "': " + sf_strerror(file));
}

void AudioWriter::commit()
{
    if (committed || file == nullptr)
        return;
    sf_write_sync(file);
    const int closeResult = sf_close(file);
    file = nullptr;
    if (closeResult != 0)
    {
        std::remove(tempPath.c_str());
        throwIoError("cannot write '" + destination + "': " + sf_error_number(closeResult));
    }
    renameOrThrow(tempPath, destination);
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
    const int fd = createTemporaryNextTo(path, tempPath);
    std::size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
        {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            std::remove(tempPath.c_str());
            throwIoError("cannot write '" + path + "': " + reason);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
    {
        std::remove(tempPath.c_str());
        throwIoError("cannot write '" + path + "': " + std::strerror(errno));
    }
    renameOrThrow(tempPath, path);
}

} // namespace pomelu::tools
