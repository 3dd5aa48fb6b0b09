// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioClip.h"

#include <array>
#include <atomic>
#include <thread>

namespace pomelu::tools
{

class BlockProcessor;

// Loops a clip through the plug-in at real-time pace on its own audio thread, with no audio device:
// a block of 256 frames, then a sleep until that block's time has passed. The output is dropped;
// what it is for is the editor's displays. A thread that falls more than half a second behind (a
// suspended machine) starts counting anew instead of racing to catch up.
//
// Threads: start() and stop() from the UI thread. The audio thread reads the clip and writes only
// its own buffers: it neither allocates nor locks.
class FileLoopPlayer
{
public:
    static constexpr int kBlock = 256;

    FileLoopPlayer(const AudioClip& clip, BlockProcessor& processor) : clip(clip), processor(processor) {}
    ~FileLoopPlayer() { stop(); }
    FileLoopPlayer(const FileLoopPlayer&) = delete;
    FileLoopPlayer& operator=(const FileLoopPlayer&) = delete;

    void start();
    // Returns once the audio thread has finished its block.
    void stop();

private:
    void run() noexcept;

    const AudioClip& clip;
    BlockProcessor& processor;
    std::array<std::array<float, kBlock>, 2> output{};
    std::atomic<bool> running{false};
    std::thread thread;
};

} // namespace pomelu::tools
