// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileLoopPlayer.h"

#include "BlockProcessor.h"

#include <algorithm>
#include <chrono>

namespace pomelu::tools
{

void FileLoopPlayer::start()
{
    if (running.exchange(true))
        return;
    thread = std::thread([this] { run(); });
}

void FileLoopPlayer::stop()
{
    running.store(false);
    if (thread.joinable())
        thread.join();
}

void FileLoopPlayer::run() noexcept
{
    using Clock = std::chrono::steady_clock;
    const std::int64_t length = clip.frames();
    const double rate = clip.sampleRate;
    std::int64_t position = 0;
    std::int64_t framesSinceStart = 0;
    Clock::time_point start = Clock::now();
    float* outputs[2] = {output[0].data(), output[1].data()};
    while (running.load(std::memory_order_relaxed))
    {
        const int n = static_cast<int>(std::min<std::int64_t>(kBlock, length - position));
        // The clip is only read: the plug-in takes it as its input bus and writes to `output`.
        float* inputs[2] = {const_cast<float*>(clip.channels[0].data()) + position,
                            const_cast<float*>(clip.channels[1].data()) + position};
        processor.process(inputs, outputs, n, 0.0);
        position = (position + n) % length;
        framesSinceStart += n;

        const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(framesSinceStart / rate));
        const auto now = Clock::now();
        if (now - due > std::chrono::milliseconds(500))
        {
            start = now;
            framesSinceStart = 0;
        }
        else
            std::this_thread::sleep_until(due);
    }
}

} // namespace pomelu::tools
