// SPDX-License-Identifier: GPL-3.0-or-later
// The render's picture, read back pixel by pixel: tones and bursts with known loudness drawn where
// the picture's axes put them, with a plain gain in place of the plug-in.
#include "LoudnessPlot.h"
#include "Errors.h"
#include "FakeEffect.h"
#include "ToolTestFiles.h"
#include "editor/Theme.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

using namespace pomelu::tools;
using namespace pomelu::tools::test;
using igraphics::IColor;
using igraphics::IRECT;

namespace
{
constexpr int kRate = 16000;
const pomelu::editor::ThemePalette& kLight = pomelu::editor::kPalettes[0];

// A PNG's pixels, unpremultiplied.
struct Picture
{
    int width = 0, height = 0;
    std::vector<IColor> pixels;
    IColor at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Picture readPng(const std::string& path)
{
    Picture picture;
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
    {
        picture.width = cairo_image_surface_get_width(surface);
        picture.height = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
            {
                std::uint32_t v;
                std::memcpy(&v, data + y * stride + x * 4, 4);
                const int a = static_cast<int>(v >> 24);
                const auto channel = [&](int shift)
                { return a == 0 ? 0 : static_cast<int>(((v >> shift) & 0xFF) * 255 / a); };
                picture.pixels.push_back(IColor(a, channel(16), channel(8), channel(0)));
            }
    }
    cairo_surface_destroy(surface);
    return picture;
}

bool near(const IColor& a, const IColor& b, int tolerance = 24)
{
    return std::abs(a.R - b.R) + std::abs(a.G - b.G) + std::abs(a.B - b.B) <= tolerance;
}

// One render with a picture, the picture read back and the axes it was drawn with.
struct PlotRun
{
    ToolRun run;
    Picture picture;
    PlotLayout layout;
    double scale = 1.0;

    int column(double seconds) const { return static_cast<int>(layout.xForSeconds(seconds) * scale); }
    // Rows of column x between logical heights top and bottom painted in colour.
    std::vector<int> rows(int x, float top, float bottom, const IColor& colour, int tolerance = 24) const
    {
        std::vector<int> found;
        for (int y = static_cast<int>(top * scale); y < static_cast<int>(bottom * scale); ++y)
            if (near(picture.at(x, y), colour, tolerance))
                found.push_back(y);
        return found;
    }
    // The middle of what rows() finds, in logical units; NaN where nothing is.
    double centre(int x, float top, float bottom, const IColor& colour) const
    {
        const std::vector<int> found = rows(x, top, bottom, colour);
        double sum = 0.0;
        for (const int y : found)
            sum += y + 0.5;
        return found.empty() ? std::nan("") : sum / static_cast<double>(found.size()) / scale;
    }
};

PlotRun renderWithPlot(const TempDir& dir, const AudioData& input, std::vector<std::string> options,
                       double scale = 1.0)
{
    writeAudio(dir.file("in.wav"), input, SF_FORMAT_FLOAT);
    std::vector<std::string> arguments{dir.file("in.wav"),   dir.file("out.wav"), "--plot",
                                       dir.file("plot.png"), "--plot-scale",      std::to_string(scale)};
    arguments.insert(arguments.end(), options.begin(), options.end());
    PlotRun r;
    r.run = runTool(arguments, []() -> std::unique_ptr<Effect> { return std::make_unique<FakeEffect>(); });
    r.picture = readPng(dir.file("plot.png"));
    r.layout.seconds = static_cast<double>(input.frames()) / input.sampleRate;
    r.scale = scale;
    const std::size_t limiter = r.run.out.find("limiter down to ");
    if (limiter != std::string::npos)
        r.layout.limiterFloorDb =
            std::min(-3.0, 3.0 * std::floor(std::stod(r.run.out.substr(limiter + 16)) / 3.0));
    return r;
}

// A 997 Hz tone at a loudness: mono reads 3.01 LU under its level in dBFS, stereo (both channels
// alike) at it.
AudioData tone(int channels, double lufs, double seconds)
{
    return sine(kRate, channels, 997.0, lufs + (channels == 1 ? 3.01 : 0.0), seconds);
}

AudioData joined(AudioData a, const AudioData& b)
{
    a.samples.insert(a.samples.end(), b.samples.begin(), b.samples.end());
    return a;
}
} // namespace

TEST(LoudnessPlot, ShortTermCurveSitsAtEachTonesLoudnessAndMovesWhereTheToneChanges)
{
    for (const int channels : {1, 2})
    {
        SCOPED_TRACE(channels == 1 ? "mono" : "stereo");
        TempDir dir;
        const PlotRun r =
            renderWithPlot(dir, joined(tone(channels, -23.0, 10.0), tone(channels, -13.0, 10.0)), {});
        ASSERT_EQ(r.run.exitCode, kExitOk) << r.run.err;
        ASSERT_EQ(r.picture.width, 1200);
        const IRECT& panel = PlotLayout::kLoudness;
        // At 11.5 s the last 3 s hold 1.5 s of each tone: 10 log10((1 + 10) / 2) LU over the first.
        const struct
        {
            double seconds, lufs;
        } points[] = {{4.0, -23.0}, {9.9, -23.0}, {11.5, -15.6}, {13.5, -13.0}, {19.8, -13.0}};
        for (const auto& p : points)
            EXPECT_NEAR(r.centre(r.column(p.seconds), panel.T, panel.B, kLight.accent),
                        PlotLayout::yForLufs(p.lufs), 1.0)
                << "short-term at " << p.seconds << " s should read " << p.lufs << " LUFS";

        // Leaves the first tone's height within 0.2 s of the change.
        int moved = -1;
        for (int x = r.column(9.0); x < r.column(12.0) && moved < 0; ++x)
            if (std::fabs(r.centre(x, panel.T, panel.B, kLight.accent) - PlotLayout::yForLufs(-23.0)) > 1.5)
                moved = x;
        EXPECT_GE(moved, r.column(10.0));
        EXPECT_LE(moved, r.column(10.2));
    }
}

// A steady tone delivered to -10 LUFS with a 0.2 s burst 12 dB louder at 6 s: the limiter holds the
// burst under the ceiling there and nowhere else.
TEST(LoudnessPlot, TargetLineAndLimiterMarksShowWhereAndHowDeeplyTheLimiterHeldABurst)
{
    AudioData input = tone(1, -33.0, 10.0);
    for (long i = 6 * kRate; i < 6 * kRate + kRate / 5; ++i)
        input.samples[static_cast<std::size_t>(i)] *= 4.0;
    TempDir dir;
    const PlotRun r = renderWithPlot(dir, input, {"--lufs", "-10", "--max-gain", "30"});
    ASSERT_EQ(r.run.exitCode, kExitOk) << r.run.err;
    ASSERT_EQ(r.picture.width, 1200);

    const IRECT& loudness = PlotLayout::kLoudness;
    EXPECT_NEAR(r.centre(r.column(3.0), loudness.T, loudness.B, kLight.accent2), PlotLayout::yForLufs(-10.0),
                1.0)
        << "the target line";

    const IRECT& strip = PlotLayout::kLimiter;
    std::vector<double> marked;
    for (int x = static_cast<int>(strip.L * r.scale); x < static_cast<int>(strip.R * r.scale); ++x)
        if (!r.rows(x, strip.T, strip.B, kLight.accent, 8).empty())
            marked.push_back((x + 0.5) / r.scale);
    ASSERT_FALSE(marked.empty());
    // From the look-ahead before the burst to the release (80 ms) after it.
    EXPECT_GE(marked.front(), r.layout.xForSeconds(5.9));
    EXPECT_LE(marked.back(), r.layout.xForSeconds(6.7));
    EXPECT_LE(marked.front(), r.layout.xForSeconds(6.05));
    EXPECT_GE(marked.back(), r.layout.xForSeconds(6.2));

    // The deepest mark reaches the report's deepest reduction on the strip's dB scale.
    float deepest = strip.T;
    for (double x = marked.front(); x <= marked.back(); x += 1.0 / r.scale)
        for (const int y : r.rows(static_cast<int>(x * r.scale), strip.T, strip.B, kLight.accent, 8))
            deepest = std::max(deepest, (y + 1.0f) / static_cast<float>(r.scale));
    const double reported = std::stod(r.run.out.substr(r.run.out.find("limiter down to ") + 16));
    EXPECT_LT(reported, -3.0);
    EXPECT_NEAR(deepest, r.layout.yForGainDb(reported), 1.0);
}

// Twice the pixels, each line drawn at the new size rather than scaled up: the short-term curve
// (2 units thick) is 4 pixels of its own colour with at most one blended pixel on either side.
TEST(LoudnessPlot, DoubleScaleIsTwiceTheSizeAndSharp)
{
    TempDir dir;
    const PlotRun r = renderWithPlot(dir, tone(2, -23.0, 6.0), {}, 2.0);
    ASSERT_EQ(r.run.exitCode, kExitOk) << r.run.err;
    EXPECT_EQ(r.picture.width, 2400);
    EXPECT_EQ(r.picture.height, 1600);

    const int x = r.column(5.0);
    const float y = PlotLayout::yForLufs(-23.0);
    const std::vector<int> line = r.rows(x, y - 3.0f, y + 3.0f, kLight.accent);
    ASSERT_GE(line.size(), 3u);
    EXPECT_LE(line.size(), 4u);
    const IColor backdrop = r.picture.at(x, static_cast<int>((y + 3.0f) * 2.0f));
    int blended = 0;
    for (int row = static_cast<int>((y - 3.0f) * 2.0f); row < static_cast<int>((y + 3.0f) * 2.0f); ++row)
        blended += !near(r.picture.at(x, row), kLight.accent) && !near(r.picture.at(x, row), backdrop, 6);
    EXPECT_LE(blended, 2);
}

// A picture that cannot be written fails after the render, which stays whole; a picture named like
// the sound it shows is refused before anything is written.
TEST(LoudnessPlot, RefusalsKeepTheRenderAndTheInput)
{
    const struct
    {
        const char* name;
        const char* plot; // in the folder
        int exitCode;
        const char* message;
        bool rendered;
    } cases[] = {
        {"a folder that does not exist", "missing/plot.png", kExitIoError, "cannot write in '", true},
        {"the input's name", "in.wav", kExitUsageError, "is the input file itself", false},
        {"the output's name", "out.wav", kExitUsageError, "is the output file itself", false},
        {"another spelling of the output", "./out.wav", kExitUsageError, "is the output file itself", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const AudioData input = tone(1, -20.0, 1.0);
        writeAudio(dir.file("in.wav"), input, SF_FORMAT_FLOAT);
        const AudioData original = readAudio(dir.file("in.wav"));
        const ToolRun run =
            runTool({dir.file("in.wav"), dir.file("out.wav"), "--plot", dir.file(c.plot)},
                    []() -> std::unique_ptr<Effect> { return std::make_unique<FakeEffect>(); });
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(readAudio(dir.file("in.wav")).samples, original.samples);
        if (c.rendered)
        {
            EXPECT_EQ(readAudio(dir.file("out.wav")).frames(), input.frames());
            EXPECT_NE(run.out.find("output"), std::string::npos) << "the report comes before the error";
        }
        else
            EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});
    }
}

TEST(LoudnessPlot, BatchDrawsOnePicturePerFileAndSvgGoesByItsName)
{
    TempDir dir;
    writeAudio(dir.file("mono.wav"), tone(1, -20.0, 1.0), SF_FORMAT_FLOAT);
    writeAudio(dir.file("stereo.wav"), tone(2, -20.0, 1.0), SF_FORMAT_FLOAT);
    const auto fake = []() -> std::unique_ptr<Effect> { return std::make_unique<FakeEffect>(); };
    const ToolRun batch = runTool({dir.file("mono.wav"), dir.file("stereo.wav"), "--out-dir", dir.file("out"),
                                   "--plot-dir", dir.file("pictures")},
                                  fake);
    ASSERT_EQ(batch.exitCode, kExitOk) << batch.err;
    for (const char* name : {"mono.png", "stereo.png"})
        EXPECT_EQ(readPng(dir.file("pictures/") + name).width, 1200) << name;

    const ToolRun single =
        runTool({dir.file("mono.wav"), dir.file("mono-out.wav"), "--plot", dir.file("mono.svg")}, fake);
    ASSERT_EQ(single.exitCode, kExitOk) << single.err;
    std::ifstream svg(dir.file("mono.svg"));
    const std::string text{std::istreambuf_iterator<char>(svg), std::istreambuf_iterator<char>()};
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    EXPECT_NE(text.find("viewBox=\"0 0 1200 800\""), std::string::npos);
}
