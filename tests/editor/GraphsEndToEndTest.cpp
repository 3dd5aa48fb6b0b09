// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis area alive: audio rendered through the real plug-in (driven through its VST 3
// interfaces by the host library) reaches the analyzer, the meter and the compressor curve through
// the senders, the idle tick and the engine's meter taps; the analyzer's menu reaches the sender.
#include "GraphsRig.h"

#include "GraphicsRig.h"
#include "IPopupMenu.h"
#include "PluginInstance.h"
#include "Signals.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace pomelu::test
{
namespace
{

using namespace igraphics;
using Steinberg::Vst::ParamID;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

// The plug-in at 48 kHz with the analysis page open off screen.
struct Rig
{
    explicit Rig(float scale = 1.0f)
    {
        plug = new PomeluRarorudIzad(iplug::InstanceInfo{});
        plug->SetLayoutFunc(analysisPageLayout);
        EXPECT_TRUE(instance.adopt(static_cast<Steinberg::Vst::IComponent*>(plug))) << instance.lastError();
        EXPECT_TRUE(instance.setup(kRate, kBlock));
        editor = std::make_unique<OffscreenEditor>(*plug, scale);
    }
    ~Rig() { editor.reset(); }

    double normalized(int idx, double plainValue) const
    {
        return plug->GetParam(idx)->ToNormalized(plainValue);
    }

    // Plays left/right (right may be empty: left on both) in blocks from `from`, as a host with its
    // editor open: the idle tick every other block (about every 20 ms), a frame every third block.
    // The first block carries `changes`. Keeps the last block's output.
    void play(const std::vector<double>& left, const std::vector<double>& right, std::size_t from,
              std::size_t to, const std::vector<host::ParamChange>& changes = {})
    {
        lastOut.assign(2, std::vector<double>(kBlock));
        for (std::size_t pos = from, n = 0; pos + kBlock <= to; pos += kBlock, ++n)
        {
            double* ins[2] = {const_cast<double*>(left.data() + pos),
                              const_cast<double*>((right.empty() ? left : right).data() + pos)};
            double* outs[2] = {lastOut[0].data(), lastOut[1].data()};
            ASSERT_EQ(instance.process64(ins, outs, 2, 2, kBlock,
                                         n == 0 ? changes : std::vector<host::ParamChange>{}),
                      Steinberg::kResultOk);
            if (n % 2 == 1)
                plug->RunIdleTick();
            if (n % 3 == 2)
                editor->g().DrawFrame();
        }
        plug->RunIdleTick();
        editor->g().DrawFrame();
    }
    void play(const std::vector<double>& signal, const std::vector<host::ParamChange>& changes = {})
    {
        play(signal, {}, 0, signal.size(), changes);
    }

    host::PluginInstance instance;
    PomeluRarorudIzad* plug = nullptr;
    std::unique_ptr<OffscreenEditor> editor;
    std::vector<std::vector<double>> lastOut;
};

double db(double linear)
{
    return 20.0 * std::log10(linear);
}

TEST(GraphsEndToEnd, ASineShowsItsPeakInTheSpectrumAtItsFrequencyAndItsLevelOnTheMeter)
{
    struct Case
    {
        double hz, amplitude;
    };
    const Case cases[] = {{440.0, 0.5}, {1000.0, 0.25}, {6300.0, 0.7}};
    for (const Case& c : cases)
    {
        Rig rig;
        rig.play(sine(c.hz, kRate, 48000, c.amplitude));

        const IVSpectrumAnalyzerControl& an = rig.editor->analyzer();
        const double binHz = an.GetSampleRate() / 1024.0;
        EXPECT_EQ(an.GetSampleRate(), kRate) << "the plug-in told the analyzer its rate";
        int peakBin = 0;
        for (int b = 1; b <= 512; ++b)
            if (an.GetSmoothedBin(0, b) > an.GetSmoothedBin(0, peakBin))
                peakBin = b;
        EXPECT_NEAR(peakBin * binHz, c.hz, binHz) << c.hz << " Hz";
        // A Hann window reads a full-scale sine as 1 on a bin centre, 1.42 dB less midway.
        EXPECT_NEAR(db(an.GetSmoothedBin(0, peakBin)), db(c.amplitude), 1.5) << c.hz << " Hz";

        const IVPeakAvgMeterControl& meter = rig.editor->meter();
        const double outPeak = peakAbs(rig.lastOut[0].data(), kBlock);
        const double outRms = rms(rig.lastOut[0].data(), kBlock);
        for (int ch = 0; ch < 2; ++ch)
        {
            EXPECT_NEAR(db(meter.GetPeak(ch)), db(outPeak), 0.1) << c.hz << " Hz, channel " << ch;
            EXPECT_NEAR(db(meter.GetAvg(ch)), db(outRms), 0.2) << c.hz << " Hz, channel " << ch;
        }
        EXPECT_NEAR(db(outPeak), db(c.amplitude), 0.5) << "the default rack passes " << c.hz << " Hz";
    }
}

TEST(GraphsEndToEnd, TheCompressorReadoutShowsTheGainReductionTheEngineMeasured)
{
    Rig rig;
    const std::vector<host::ParamChange> comp = {{kComp, 1.0, 0},
                                                 {kCompThreshold, rig.normalized(kCompThreshold, -30.0), 0},
                                                 {kCompRatio, rig.normalized(kCompRatio, 4.0), 0}};
    rig.play(sine(1000.0, kRate, 24000, 0.5), comp);
    const dsp::RackEngine& engine = rig.plug->getEngine();
    ASSERT_GT(engine.gainReduction(), 6.0) << "a -6 dBFS sine 24 dB over the threshold";
    char expected[128];
    editor::formatCompReadout(expected, engine.inputPeak(), engine.outputPeak(), engine.gainReduction());
    EXPECT_STREQ(rig.editor->compCurve().GetReadout(), expected);
    EXPECT_NE(std::string(expected).find("GR 0.0 dB"), 0u);

    // The dot at (input, output) in the marker colour.
    const editor::CompAxes axes = rig.editor->compCurve().GetAxes();
    const IColor dot = PixelAt(rig.editor->g(), static_cast<int>(axes.xForDb(engine.inputPeak())),
                               static_cast<int>(axes.yForDb(engine.outputPeak())));
    EXPECT_EQ(dot, IColor(255, kAccent2.R, kAccent2.G, kAccent2.B));
}

TEST(GraphsEndToEnd, AnalyzerMenuChoicesReachTheSenderWhichRefusesWhatItCannotDo)
{
    Rig rig;
    iplug::ISpectrumSender& sender = rig.plug->spectrumSender;
    struct Case
    {
        const char* submenu;
        const char* item;
        int fftSize, overlap, window;
        const char* checked; // the item checked afterwards: what the sender does
    };
    const Case cases[] = {
        {"FFT Size", "4096", 4096, 1, 0, "4096"},
        {"FFT Size", "64", 1024, 1, 0, "1024"}, // below the accepted sizes: 1024
        {"Overlap", "4x", 1024, 4, 0, "4x"},
        {"Window", "Rectangular", 1024, 4, 4, "Rectangular"},
        {"FFT Size", "2048", 2048, 4, 4, "2048"},
    };
    for (const Case& c : cases)
    {
        rig.editor->chooseInAnalyzerMenu(c.submenu, c.item);
        EXPECT_EQ(sender.GetFFTSize(), c.fftSize) << c.item;
        EXPECT_EQ(sender.GetOverlap(), c.overlap) << c.item;
        EXPECT_EQ(sender.GetWindowType(), c.window) << c.item;
        IPopupMenu& m = rig.editor->analyzer().GetMenu();
        EXPECT_EQ(rig.editor->checkedIn(c.submenu),
                  m.GetItem(m.FindItem(c.submenu))->GetSubmenu()->FindItem(c.checked))
            << c.item;
    }
    // No menu item sends window index 5; the plug-in refuses it from anywhere.
    const std::int32_t five = 5;
    EXPECT_FALSE(rig.plug->SendMessageFromUI(kMsgTagWindowType, kCtrlTagSpectrum, 4, &five));
    EXPECT_EQ(sender.GetWindowType(), 4);

    // The spectra follow: 2048-point frames reach the analyzer.
    rig.play(sine(1000.0, kRate, 24000, 0.5));
    EXPECT_NEAR(rig.editor->analyzer().GetFreqAxis().lo, 24000.0 / 2048, 1e-9);

    // A reopened editor takes what the sender kept.
    rig.editor.reset();
    rig.editor = std::make_unique<OffscreenEditor>(*rig.plug);
    EXPECT_EQ(rig.editor->analyzer().GetFFTSize(), 2048);
    EXPECT_EQ(rig.editor->analyzer().GetOverlap(), 4);
    EXPECT_EQ(rig.editor->analyzer().GetWindowType(), 4);
    EXPECT_EQ(rig.editor->checkedIn("Window"), 4);
}

std::vector<double> readMono(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr)
        return {};
    std::vector<double> frames(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_double(f, frames.data(), info.frames);
    sf_close(f);
    std::vector<double> mono(static_cast<std::size_t>(info.frames));
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = frames[i * static_cast<std::size_t>(info.channels)];
    return info.samplerate == static_cast<int>(kRate) ? mono : std::vector<double>{};
}

// The analysis band of the page (y 190..378) as PNG, for the README.
void writeAnalysisBand(IGraphics& g, const std::string& path)
{
    const double s = g.GetDrawScale();
    cairo_surface_t* band =
        cairo_surface_create_for_rectangle(g.GetBackBuffer(), 0.0, 190.0 * s, 980.0 * s, 188.0 * s);
    EXPECT_EQ(cairo_surface_write_to_png(band, path.c_str()), CAIRO_STATUS_SUCCESS) << path;
    cairo_surface_destroy(band);
}

TEST(GraphsEndToEnd, TheExampleVoiceBringsAnalyzerMeterAndCompressorDotAlive)
{
    const std::vector<double> voice = readMono(POMELU_SOURCE_DIR "/examples/voice.wav");
    ASSERT_GT(voice.size(), 48000u * 5) << "examples/voice.wav, mono at 48 kHz";
    // Stop at the loudest 200 ms after the first second: the voice is speaking there.
    std::size_t stop = 48000, window = 9600;
    double loudest = 0.0;
    for (std::size_t pos = 48000; pos + window < voice.size(); pos += kBlock)
        if (const double r = rms(voice.data() + pos, window); r > loudest)
        {
            loudest = r;
            stop = pos + window;
        }

    Rig rig(2.0f);
    ASSERT_TRUE(rig.plug->RestorePreset(3)); // "Podcast": leveler, compressor, clip guard
    rig.plug->OnRestoreState();
    rig.play(voice, {}, 0, stop);

    const IVSpectrumAnalyzerControl& an = rig.editor->analyzer();
    float strongest = 0.0f;
    for (int b = 1; b <= 512; ++b)
        strongest = std::max(strongest, an.GetSmoothedBin(0, b));
    EXPECT_GT(db(strongest), -40.0) << "the spectrum shows the voice";
    EXPECT_GT(db(rig.editor->meter().GetPeak(0)), -20.0) << "the meter shows the voice";
    const editor::CompCurveControl::Levels levels = rig.editor->compCurve().ReadLevels();
    EXPECT_GT(levels.inDb, -30.0) << "the compressor dot left its corner";
    EXPECT_GT(levels.gainReductionDb, 0.5) << "and the compressor works on the voice";

    // Pictures of the page and of its analysis band (docs/ holds the band for the README).
    const char* dir = std::getenv("POMELU_SNAPSHOT_DIR");
    const std::string out = dir != nullptr ? dir : testing::TempDir();
    rig.editor->g().SetAllControlsDirty();
    ASSERT_TRUE(rig.editor->g().WritePNG((out + "/analysis-page.png").c_str()));
    writeAnalysisBand(rig.editor->g(), out + "/analysis-area.png");
}

} // namespace
} // namespace pomelu::test
