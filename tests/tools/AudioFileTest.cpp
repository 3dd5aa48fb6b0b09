// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioFile.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

using namespace pomelu::tools;
using namespace pomelu::tools::test;

TEST(AudioWriter, WritesUnderAHiddenNameAndAbandonedRemovesItAndLeavesAnExistingOutputUntouched)
{
    TempDir dir;
    {
        AudioWriter writer(dir.file("out.flac"), 44100, 1, SampleFormat::Pcm16);
        const double frame = 0.5;
        writer.write(&frame, 1);
        ASSERT_EQ(dir.entries().size(), 1u);
        EXPECT_EQ(dir.entries()[0].rfind(".out.flac.tmp-", 0), 0u) << "hidden until committed";
    }
    EXPECT_TRUE(dir.entries().empty());

    const std::string out = dir.file("out.wav");
    writeAudio(out, sine(8000, 1, 440.0, -6.0, 0.1), SF_FORMAT_PCM_16);
    const AudioData before = readAudio(out);
    {
        AudioWriter writer(out, 48000, 2, SampleFormat::Float32);
    }
    const AudioData after = readAudio(out);
    EXPECT_EQ(after.sampleRate, 8000);
    EXPECT_EQ(after.samples, before.samples);
}

TEST(AudioReader, ReadsAiffAndFlacAsWellAsWav)
{
    TempDir dir;
    const AudioData tone = sine(22050, 2, 440.0, -6.0, 0.2);
    for (const char* name : {"t.aiff", "t.flac", "t.wav"})
    {
        writeAudio(dir.file(name), tone, SF_FORMAT_PCM_24);
        AudioReader reader(dir.file(name));
        EXPECT_EQ(reader.channels(), 2) << name;
        EXPECT_EQ(reader.sampleRate(), 22050) << name;
        EXPECT_EQ(reader.frames(), tone.frames()) << name;
    }
}
