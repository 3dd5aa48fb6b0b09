// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis area alive: audio rendered through the real plug-in (driven through its VST 3
// interfaces by the host library) reaches the analyzer, the meter and the compressor curve through
// the senders, the idle tick and the engine's meter taps; the analyzer's menu reaches the sender.
#include "EditorRig.h"

#include "CompCurveControl.h"
#include "GraphicsRig.h"
#include "IVPeakAvgMeterControl.h"
#include "IVSpectrumAnalyzerControl.h"
#include "ReferenceFile.h"
#include "Signals.h"
#include "Theme.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace pomelu::test
{
namespace
{

using namespace igraphics;

double loudestBinDb(const IVSpectrumAnalyzerControl& an, int& bin)
{
    bin = 1;
    for (int b = 2; b <= 512; ++b)
        if (an.GetSmoothedBin(0, b) > an.GetSmoothedBin(0, bin))
            bin = b;
    return toDb(an.GetSmoothedBin(0, bin));
}

TEST(GraphsEndToEnd, ASineShowsItsPeakInTheSpectrumAtItsFrequencyAndItsLevelOnTheMeter)
{
    const double cases[][2] = {{440.0, 0.5}, {1000.0, 0.25}, {6300.0, 0.7}}; // Hz, amplitude
    for (const auto& [hz, amplitude] : cases)
    {
        EditorRig rig;
        rig.play(sine(hz, 48000.0, 48000, amplitude), 48000);
        const auto& an = rig.find<IVSpectrumAnalyzerControl>();
        int bin = 0;
        // A Hann window reads a full-scale sine as 1 on a bin centre, 1.42 dB less midway.
        EXPECT_NEAR(loudestBinDb(an, bin), toDb(amplitude), 1.5) << hz << " Hz";
        EXPECT_NEAR(bin * 48000.0 / 1024, hz, 48000.0 / 1024) << hz << " Hz";
        const auto& meter = rig.find<IVPeakAvgMeterControl>();
        for (int ch = 0; ch < 2; ++ch)
        {
            EXPECT_NEAR(toDb(meter.GetPeak(ch)), toDb(peakAbs(rig.lastOut[ch].data(), 512)), 0.1)
                << hz << " Hz";
            EXPECT_NEAR(toDb(meter.GetAvg(ch)), toDb(rms(rig.lastOut[ch].data(), 512)), 0.2) << hz << " Hz";
        }
        EXPECT_NEAR(toDb(peakAbs(rig.lastOut[0].data(), 512)), toDb(amplitude), 0.5)
            << "the default rack passes it";
    }
}

TEST(GraphsEndToEnd, TheCompressorReadoutAndDotShowWhatTheEngineMeasured)
{
    EditorRig rig;
    rig.play(sine(1000.0, 48000.0, 24000, 0.5), 24000,
             {{kComp, 1.0, 0},
              {kCompThreshold, rig.normalized(kCompThreshold, -30.0), 0},
              {kCompRatio, rig.normalized(kCompRatio, 4.0), 0}});
    const PomeluRarorudIzad& plug = *rig.plug;
    ASSERT_GT(plug.gainReduction(), 6.0) << "a -6 dBFS sine 24 dB over the threshold";
    char expected[128];
    editor::formatCompReadout(expected, plug.inputPeak(), plug.outputPeak(), plug.gainReduction());
    const auto& comp = rig.find<editor::CompCurveControl>();
    EXPECT_STREQ(comp.GetReadout(), expected);
    const editor::CompAxes axes = comp.GetAxes();
    EXPECT_EQ(PixelAt(rig.g, static_cast<int>(axes.xForDb(plug.inputPeak())),
                      static_cast<int>(axes.yForDb(plug.outputPeak()))),
              editor::PaletteFor(0).accent2)
        << "the dot at (input, output)";
}

TEST(GraphsEndToEnd, AnalyzerMenuChoicesReachTheSenderWhichRefusesWhatItCannotDo)
{
    EditorRig rig;
    const iplug::ISpectrumSender& sender = rig.plug->spectrumSender();
    struct Case
    {
        const char *submenu, *item;
        int fftSize, overlap, window, checked; // the sender afterwards, and the item checked
    };
    const Case cases[] = {
        {"FFT Size", "4096", 4096, 1, 0, 6}, {"FFT Size", "64", 1024, 1, 0, 4}, // below the sizes taken: 1024
        {"Overlap", "4x", 1024, 4, 0, 2},    {"Window", "Rectangular", 1024, 4, 4, 4},
        {"Channels", "L", 1024, 4, 4, 0},    {"Freq Scaling", "Linear", 1024, 4, 4, 0}, // display only
        {"FFT Size", "2048", 2048, 4, 4, 5},
    };
    for (const Case& c : cases)
    {
        rig.chooseInAnalyzerMenu(c.submenu, c.item);
        EXPECT_EQ(sender.GetFFTSize(), c.fftSize) << c.item;
        EXPECT_EQ(sender.GetOverlap(), c.overlap) << c.item;
        EXPECT_EQ(sender.GetWindowType(), c.window) << c.item;
        EXPECT_EQ(rig.checkedIn(c.submenu), c.checked) << c.item;
    }
    const std::int32_t five = 5; // no item sends it; the plug-in refuses it from anywhere
    EXPECT_FALSE(rig.plug->SendMessageFromUI(kMsgTagWindowType, kCtrlTagSpectrum, 4, &five));
    EXPECT_EQ(sender.GetWindowType(), 4);

    rig.play(sine(1000.0, 48000.0, 24000, 0.5), 24000);
    EXPECT_NEAR(rig.find<IVSpectrumAnalyzerControl>().GetFreqAxis().lo, 24000.0 / 2048, 1e-9)
        << "2048-point spectra arrived";
    rig.reopen(); // takes what the sender kept
    const auto& an = rig.find<IVSpectrumAnalyzerControl>();
    EXPECT_TRUE(an.GetFFTSize() == 2048 && an.GetOverlap() == 4 && an.GetWindowType() == 4);
}

TEST(GraphsEndToEnd, TheExampleVoiceBringsAnalyzerMeterAndCompressorDotAlive)
{
    int rate = 0;
    const std::vector<double> voice = readFirstChannel(POMELU_SOURCE_DIR "/examples/voice.wav", &rate);
    ASSERT_TRUE(voice.size() > 48000u * 5 && rate == 48000) << "examples/voice.wav, at 48 kHz";
    // Stop at the end of the loudest 200 ms after the first second: the voice is speaking there.
    std::size_t stop = 0;
    for (std::size_t pos = 48000, loudest = 0; pos + 9600 < voice.size(); pos += 512)
        if (const double r = rms(voice.data() + pos, 9600); r > rms(voice.data() + loudest, 9600))
            std::tie(loudest, stop) = std::pair(pos, pos + 9600);

    EditorRig rig({}, 2.0f);
    rig.plug->RestorePreset(3); // "Podcast": leveler, compressor, clip guard
    rig.plug->OnRestoreState();
    rig.play(voice, stop);
    int bin = 0;
    EXPECT_GT(loudestBinDb(rig.find<IVSpectrumAnalyzerControl>(), bin), -40.0);
    EXPECT_GT(toDb(rig.find<IVPeakAvgMeterControl>().GetPeak(0)), -20.0);
    const auto levels = rig.find<editor::CompCurveControl>().ReadLevels();
    EXPECT_TRUE(levels.inDb > -30.0 && levels.gainReductionDb > 0.5) << "the dot left its corner, GR shows";

    // The page's analysis band as PNG (docs/ keeps it for the README).
    const char* dir = std::getenv("POMELU_SNAPSHOT_DIR");
    const std::string path =
        std::string(dir != nullptr ? dir : testing::TempDir().c_str()) + "/analysis-area.png";
    rig.g.SetAllControlsDirty();
    rig.g.DrawFrame();
    cairo_surface_t* band = cairo_surface_create_for_rectangle(rig.g.GetBackBuffer(), 0, 394, 1960, 350);
    EXPECT_EQ(cairo_surface_write_to_png(band, path.c_str()), CAIRO_STATUS_SUCCESS) << path;
    cairo_surface_destroy(band);
}

// Frames that redraw only what moved (over cached layers, the rest of the page skipped under the
// opaque analyzer) give the pixels of the whole page drawn afresh, at whole and fractional scales.
TEST(GraphsEndToEnd, FramesFollowingAVoiceGiveThePixelsOfThePageDrawnAfresh)
{
    int rate = 0;
    const std::vector<double> voice = readFirstChannel(POMELU_SOURCE_DIR "/examples/voice.wav", &rate);
    ASSERT_GT(voice.size(), 48000u * 3);
    for (const float scale : {1.0f, 1.5f, 2.0f})
    {
        EditorRig rig({}, scale);
        rig.plug->RestorePreset(3);
        rig.plug->OnRestoreState();
        rig.play(voice, 48000 * 3);
        cairo_surface_t* shown = rig.g.GetBackBuffer();
        const int w = cairo_image_surface_get_width(shown), h = cairo_image_surface_get_height(shown);
        cairo_surface_t* fresh = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(fresh);
        rig.g.DrawTo(cr);
        cairo_destroy(cr);
        cairo_surface_flush(shown);
        cairo_surface_flush(fresh);
        int differing = 0;
        for (int y = 0; y < h; ++y)
        {
            const auto* a = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(shown) +
                                                                   y * cairo_image_surface_get_stride(shown));
            const auto* b = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(fresh) +
                                                                   y * cairo_image_surface_get_stride(fresh));
            for (int x = 0; x < w; ++x)
                differing += a[x] != b[x] ? 1 : 0;
        }
        cairo_surface_destroy(fresh);
        EXPECT_EQ(differing, 0) << "at " << scale << "x";
    }
}

} // namespace
} // namespace pomelu::test
