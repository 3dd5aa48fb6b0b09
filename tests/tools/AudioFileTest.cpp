// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioFile.h"
#include "Errors.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

using namespace pomelu::tools;
using namespace pomelu::tools::test;

TEST(AudioWriter, ShowsNothingUnderTheFinalNameUntilCommitted)
{
    TempDir dir;
    const std::string out = dir.file("out.wav");
    AudioWriter writer(out, 48000, 2, SampleFormat::Float32);
    const double frames[4] = {0.1, -0.1, 0.2, -0.2};
    writer.write(frames, 2);
    EXPECT_FALSE(fileExists(out));
    ASSERT_EQ(dir.entries().size(), 1u);
    EXPECT_EQ(dir.entries()[0].rfind(".out.wav.tmp-", 0), 0u) << dir.entries()[0];
    writer.commit();
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.wav"});
    const AudioData back = readAudio(out);
    EXPECT_EQ(back.sampleRate, 48000);
    ASSERT_EQ(back.samples.size(), 4u);
    EXPECT_FLOAT_EQ(static_cast<float>(back.samples[3]), -0.2f);
}

TEST(AudioWriter, AbandonedRemovesItsTemporaryFileAndLeavesAnExistingOutputUntouched)
{
    TempDir dir;
    {
        AudioWriter writer(dir.file("out.flac"), 44100, 1, SampleFormat::Pcm16);
        const double frame = 0.5;
        writer.write(&frame, 1);
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

TEST(AudioWriter, RefusesAFolderThatDoesNotExistWithAnIoError)
{
    try
    {
        AudioWriter writer("/nonexistent-folder-for-pomelu/out.wav", 48000, 1, SampleFormat::Float32);
        FAIL() << "expected an I/O error";
    }
    catch (const ToolError& error)
    {
        EXPECT_EQ(error.exitCode(), kExitIoError);
        EXPECT_NE(std::string(error.what()).find("cannot write in '/nonexistent-folder-for-pomelu'"),
                  std::string::npos)
            << error.what();
    }
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

TEST(BinaryFiles, WriteAtomicallyAndReadBackTheSameBytes)
{
    TempDir dir;
    const std::vector<std::uint8_t> bytes{'4', 'R', 'E', 'P', 0, 1, 2, 255};
    writeBinaryFileAtomically(dir.file("s.state"), bytes);
    EXPECT_EQ(readBinaryFile(dir.file("s.state")), bytes);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"s.state"});
}
