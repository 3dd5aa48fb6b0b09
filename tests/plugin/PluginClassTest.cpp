// SPDX-License-Identifier: GPL-3.0-or-later
#include "PluginRig.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace pomelu;
using pomelu::test::makePlug;
using pomelu::test::RecordingEditor;

TEST(PluginClass, RatesBelow8000RunAt8000TheTailIsEightSecondsAndTheAnalyzerHearsOfBoth)
{
    const struct
    {
        double rate;
        int block, tail;
        double effective;
    } cases[] = {{44100.0, 512, 352800, 44100.0},
                 {48000.0, 512, 384000, 48000.0},
                 {4000.0, 512, 64000, 8000.0},
                 {0.0, 0, 64000, 8000.0}};
    for (const auto& c : cases)
    {
        auto plug = makePlug(c.rate, c.block);
        EXPECT_EQ(plug->GetTailSize(), c.tail) << c.rate;
        EXPECT_EQ(plug->meterSender().GetSampleRate(), c.effective) << c.rate;
        // A reset and an opening editor both send rate, FFT size, overlap and window, in order.
        RecordingEditor editor;
        plug->AttachEditor(&editor);
        plug->OnReset();
        plug->OnUIOpen();
        ASSERT_EQ(editor.messages.size(), 8u);
        for (std::size_t first : {0u, 4u})
        {
            EXPECT_EQ(editor.payload<double>(first), c.effective);
            EXPECT_EQ(editor.payload<std::int32_t>(first + 1), 1024);
            EXPECT_EQ(editor.payload<std::int32_t>(first + 2), 1);
            EXPECT_EQ(editor.payload<std::int32_t>(first + 3), 0);
        }
        EXPECT_TRUE(editor.values.empty()) << "opening sends no parameter values";
        plug->AttachEditor(nullptr);
    }
}

TEST(PluginClass, TheAnalyzerTransformsOnlyForAnOpenEditorAndAtMostEightTimesPerFrameLength)
{
    struct Case
    {
        const char* editor; // "never", "closed" (opened, then closed), "open"
        std::int32_t fftSize, overlap, acceptedOverlap;
        int frames; // after 8192 samples in blocks of 512: 1 + (8192 - size) / hop
    };
    const Case cases[] = {{"never", 1024, 1, 1, 0}, {"closed", 1024, 2, 2, 0},  {"open", 1024, 2, 2, 15},
                          {"open", 4096, 8, 8, 9},  {"open", 4096, 4096, 1, 2}, {"open", 256, 16, 1, 32}};
    std::vector<double> x(512, 0.25);
    double* chans[2] = {x.data(), x.data()};
    for (const Case& c : cases)
    {
        auto plug = makePlug();
        const std::string editor = c.editor;
        if (editor != "never")
            plug->OnUIOpen();
        if (editor == "closed")
            plug->OnUIClose();
        plug->OnMessage(kMsgTagFFTSize, kCtrlTagSpectrum, 4, &c.fftSize);
        plug->OnMessage(kMsgTagOverlap, kCtrlTagSpectrum, 4, &c.overlap);
        EXPECT_EQ(plug->spectrumSender().GetOverlap(), c.acceptedOverlap) << c.fftSize << "/" << c.overlap;
        for (int b = 0; b < 16; ++b)
            plug->ProcessBlock(chans, chans, 512);
        RecordingEditor recorder; // what the idle call hands over
        plug->AttachEditor(&recorder);
        plug->OnIdle();
        plug->AttachEditor(nullptr);
        EXPECT_EQ(recorder.updates(kCtrlTagSpectrum), c.frames)
            << c.editor << " " << c.fftSize << "/" << c.overlap;
    }
}

TEST(PluginClass, OnMessageRefusesWindowFiveOtherControlsAndShortData)
{
    auto plug = makePlug();
    const std::int32_t five = 5, size = 2048;
    EXPECT_FALSE(plug->OnMessage(4, 100, 4, &five));
    EXPECT_EQ(plug->spectrumSender().GetWindowType(), 0);
    EXPECT_FALSE(plug->OnMessage(2, 101, 4, &size));
    EXPECT_FALSE(plug->OnMessage(2, 100, 2, &size));
    EXPECT_FALSE(plug->OnMessage(2, 100, 4, nullptr));
    EXPECT_FALSE(plug->OnMessage(1, 100, 4, &size));
    EXPECT_FALSE(plug->OnMessage(7, 100, 4, &size));
    EXPECT_EQ(plug->spectrumSender().GetFFTSize(), 1024);
}
