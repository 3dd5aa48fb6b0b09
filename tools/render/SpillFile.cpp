// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpillFile.h"

#include "AudioFile.h"
#include "Errors.h"
#include "TemporaryFiles.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace pomelu::tools
{

SpillFile::SpillFile(const std::string& nextTo, int channels) : label(nextTo), channelCount(channels)
{
    std::string path;
    int slot = -1;
    const int fd = createTemporaryNextTo(nextTo, path, slot);
    ::unlink(path.c_str());
    unregisterTemporaryFile(slot);
    file = ::fdopen(fd, "w+b");
    if (file == nullptr)
    {
        ::close(fd);
        throwIoError("cannot write '" + nextTo + "': " + std::strerror(errno));
    }
}

SpillFile::~SpillFile()
{
    std::fclose(file);
}

void SpillFile::write(const double* interleaved, int frames)
{
    const std::size_t count = static_cast<std::size_t>(frames) * channelCount;
    if (buffer.size() < count)
        buffer.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        buffer[i] = static_cast<float>(interleaved[i]);
    errno = 0;
    if (std::fwrite(buffer.data(), sizeof(float), count, file) != count)
        throwIoError("cannot write '" + label + "': " + std::strerror(errno != 0 ? errno : EIO));
}

void SpillFile::rewind()
{
    errno = 0;
    if (std::fflush(file) != 0 || std::fseek(file, 0, SEEK_SET) != 0)
        throwIoError("cannot write '" + label + "': " + std::strerror(errno != 0 ? errno : EIO));
}

int SpillFile::read(double* interleaved, int maxFrames)
{
    const std::size_t count = static_cast<std::size_t>(maxFrames) * channelCount;
    if (buffer.size() < count)
        buffer.resize(count);
    const std::size_t got =
        std::fread(buffer.data(), sizeof(float) * channelCount, static_cast<std::size_t>(maxFrames), file);
    if (got == 0 && std::ferror(file))
        throwIoError("cannot read back the render for '" + label + "'");
    for (std::size_t i = 0; i < got * channelCount; ++i)
        interleaved[i] = buffer[i];
    return static_cast<int>(got);
}

} // namespace pomelu::tools
