// SPDX-License-Identifier: GPL-3.0-or-later
// The off-screen context: shapes, text, bitmaps and knobs land where asked, in the colour asked,
// at 1x and 2x; fonts and images that are missing fall back; only dirty regions are redrawn.
#include "GraphicsRig.h"

#include "IControls.h"
#include "ISender.h"
#include "IVSpectrumAnalyzerControl.h"
#include "Mappings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace pomelu::test
{
namespace
{

using namespace igraphics;

constexpr IColor kPaper{255, 255, 255, 255};
constexpr IColor kInk{255, 200, 30, 60};

bool near(const IColor& a, const IColor& b, int tol = 8)
{
    return std::abs(a.A - b.A) <= tol && std::abs(a.R - b.R) <= tol && std::abs(a.G - b.G) <= tol &&
           std::abs(a.B - b.B) <= tol;
}

std::string str(const IColor& c)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "(%d, %d, %d, %d)", c.A, c.R, c.G, c.B);
    return buf;
}

enum class Fonts
{
    None,
    All,
    RobotoOnly
};

// A 200 x 100 page on white with one drawing, rendered at `scale`.
struct Canvas
{
    GestureRecordingPlug plug;
    IGraphics g;
    Canvas(float scale, std::function<void(IGraphics&)> draw, Fonts fonts = Fonts::None)
        : g(plug, 200, 100, 60, scale)
    {
        if (fonts == Fonts::All)
            LoadTestFonts(g);
        else if (fonts == Fonts::RobotoOnly)
            g.LoadFont("Roboto", "Roboto-Regular.ttf");
        g.AttachPanelBackground(kPaper);
        g.AttachControl(new DrawControl(g.GetBounds(), std::move(draw)));
        g.SetAllControlsDirty();
        g.DrawFrame();
    }
    // Pixel at a logical point.
    IColor at(float x, float y)
    {
        return PixelAt(g, static_cast<int>(x * g.GetDrawScale()), static_cast<int>(y * g.GetDrawScale()));
    }
};

struct ShapeCase
{
    const char* name;
    std::function<void(IGraphics&)> draw;
    float inX, inY;   // a point the shape covers
    float outX, outY; // a point just outside it
    IColor inColor = kInk;
};

const ShapeCase kShapes[] = {
    {"filled rectangle", [](IGraphics& g) { g.FillRect(kInk, IRECT(10, 10, 50, 40)); }, 49.4f, 39.4f, 50.6f,
     25},
    {"rounded rectangle leaves its corners",
     [](IGraphics& g) { g.FillRoundRect(kInk, IRECT(60, 10, 110, 60), 12.0f); }, 62, 35, 61, 11},
    {"circle", [](IGraphics& g) { g.FillCircle(kInk, 150, 50, 20); }, 150, 31, 165, 65},
    {"outlined rectangle is hollow",
     [](IGraphics& g) { g.DrawRect(kInk, IRECT(10, 50, 60, 90), nullptr, 2.0f); }, 10.5f, 70, 35, 70},
    {"outlined circle", [](IGraphics& g) { g.DrawCircle(kInk, 100, 50, 30, nullptr, 3.0f); }, 100, 20.5f, 100,
     50},
    {"ellipse", [](IGraphics& g) { g.FillEllipse(kInk, IRECT(120, 10, 190, 40)); }, 188.5f, 25, 121, 11},
    {"line of thickness 2", [](IGraphics& g) { g.DrawLine(kInk, 10, 95, 100, 95, nullptr, 2.0f); }, 50, 95.5f,
     50, 92},
    {"dotted line has gaps",
     [](IGraphics& g) { g.DrawDottedLine(kInk, 10, 80, 100, 80, nullptr, 2.0f, 4.0f); }, 11, 80.5f, 15,
     80.5f},
    {"polyline",
     [](IGraphics& g)
     {
         const float x[] = {10, 100, 100}, y[] = {10, 10, 90};
         g.DrawPolyline(kInk, x, y, 3, nullptr, 2.0f);
     },
     100, 50, 90, 50},
    {"path arc stroke, 90 degrees clockwise from twelve o'clock",
     [](IGraphics& g)
     {
         g.PathClear();
         g.PathArc(100, 50, 30, 0, 90);
         g.PathStroke(kInk, 3.0f);
     },
     121.2f, 28.8f, 78.8f, 71.2f},
    {"half-weight blend mixes with the paper",
     [](IGraphics& g)
     {
         const IBlend half{EBlend::Default, 0.5f};
         g.FillRect(IColor(255, 0, 0, 0), IRECT(0, 0, 200, 100), &half);
     },
     100, 50, -1, -1, IColor(255, 128, 128, 128)},
};

class Shapes : public testing::TestWithParam<float>
{
};

TEST_P(Shapes, LandWhereAskedInTheColourAsked)
{
    for (const ShapeCase& c : kShapes)
    {
        Canvas canvas(GetParam(), c.draw);
        EXPECT_TRUE(near(canvas.at(c.inX, c.inY), c.inColor, 12))
            << c.name << " at " << GetParam() << "x: inside got " << str(canvas.at(c.inX, c.inY));
        if (c.outX >= 0.0f)
        {
            EXPECT_TRUE(near(canvas.at(c.outX, c.outY), kPaper, 12))
                << c.name << " at " << GetParam() << "x: outside got " << str(canvas.at(c.outX, c.outY));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, Shapes, testing::Values(1.0f, 2.0f));

TEST(Text, AlignsInItsRectangleEveryWay)
{
    if (!TestFontsPresent())
        GTEST_SKIP() << "fonts missing: run scripts/fetch-fonts.sh";
    const IRECT box(20, 20, 180, 80);
    auto inkOf = [&](const IText& text)
    {
        Canvas canvas(
            1.0f, [&](IGraphics& g) { g.DrawText(text, "HHH", box); }, Fonts::All);
        return InkBounds(canvas.g, kPaper, canvas.g.GetBounds());
    };
    // Glyph side bearings and the font's ascent above capitals leave a few units at the edges.
    const IRECT nearTop = inkOf(IText(24, kInk, "Roboto", EAlign::Near, EVAlign::Top));
    EXPECT_NEAR(nearTop.L, box.L, 4.0f);
    EXPECT_NEAR(nearTop.T, box.T, 8.0f);
    const IRECT farBottom = inkOf(IText(24, kInk, "Roboto", EAlign::Far, EVAlign::Bottom));
    EXPECT_NEAR(farBottom.R, box.R, 4.0f);
    EXPECT_NEAR(farBottom.B, box.B, 8.0f);
    // Centred both ways: the capitals' box is centred on the rectangle's centre.
    const IRECT centred = inkOf(IText(24, kInk, "Roboto"));
    EXPECT_NEAR(centred.MW(), box.MW(), 1.5f);
    EXPECT_NEAR(centred.MH(), box.MH(), 3.0f);
    // Turned by 90 degrees the same text stands upright about the centre.
    const IRECT up = inkOf(IText(24, kInk, "Roboto", EAlign::Center, EVAlign::Middle, 90.0f));
    EXPECT_GT(up.H(), 2.0f * up.W());
    EXPECT_NEAR(up.MW(), box.MW(), 3.0f);
}

// The pixels of one text in "MPlusBold" on a 200 x 100 canvas.
std::vector<std::uint32_t> renderText(const char* text, Fonts fonts)
{
    Canvas c(
        1.0f, [=](IGraphics& g) { g.DrawText(IText(28, kInk, "MPlusBold"), text, IRECT(0, 0, 200, 100)); },
        fonts);
    return Pixels(c.g);
}

TEST(Text, JapaneseDrawsItsOwnGlyphsNotEmptyBoxes)
{
    if (!TestFontsPresent())
        GTEST_SKIP() << "fonts missing: run scripts/fetch-fonts.sh";
    // With only Roboto, which has no kana or kanji, each character becomes the same missing-glyph box.
    const auto boxesA = renderText("音量", Fonts::RobotoOnly), boxesB = renderText("余韻", Fonts::RobotoOnly);
    const auto glyphsA = renderText("音量", Fonts::All), glyphsB = renderText("余韻", Fonts::All);
    ASSERT_EQ(boxesA, boxesB) << "without a Japanese face two words draw the same boxes";
    EXPECT_NE(glyphsA, glyphsB) << "each word draws its own glyphs";
    EXPECT_NE(glyphsA, boxesA) << "the glyphs are not the missing-glyph boxes";
}

TEST(Text, SignsNoRegisteredFaceHasComeFromTheSystemSansSerif)
{
    if (!TestFontsPresent())
        GTEST_SKIP() << "fonts missing: run scripts/fetch-fonts.sh";
    // Neither sign is in the three faces: drawn in the named face both would be the same box.
    EXPECT_NE(renderText("\u21E2", Fonts::All), renderText("\u25EB", Fonts::All));
    // Beside letters the sign takes its own run; the letters stay in their face and line.
    const auto mixed = renderText("\u21E2 AB", Fonts::All), letters = renderText("AB", Fonts::All);
    EXPECT_NE(mixed, letters);
}

TEST(Resources, AMissingOrBrokenFontFallsBackAndSaysSoOnce)
{
    const std::string broken = (std::filesystem::temp_directory_path() / "pomelu-broken-font.ttf").string();
    std::ofstream(broken) << "not a font";
    for (const std::string& file : {std::string("no-such-font.ttf"), broken})
    {
        GestureRecordingPlug plug;
        IGraphics g(plug, 200, 100);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(g.LoadFont("Gone", file.c_str()));
        EXPECT_FALSE(g.LoadFont("Gone", file.c_str()));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(file), std::string::npos) << err;
        EXPECT_EQ(err.find(file), err.rfind(file)) << "said once: " << err;
        g.AttachPanelBackground(kPaper);
        g.AttachControl(
            new DrawControl(g.GetBounds(), [](IGraphics& gr)
                            { gr.DrawText(IText(30, kInk, "Gone"), "Fallback", gr.GetBounds()); }));
        g.DrawFrame();
        int ink = 0;
        InkBounds(g, kPaper, g.GetBounds(), &ink);
        EXPECT_GT(ink, 100) << file << ": the text is drawn in another face";
    }
    std::filesystem::remove(broken);
}

TEST(Resources, TheLogoFillsItsRectangleAtEveryScaleAndAMissingImageDrawsAPlaceholder)
{
    for (const auto& [file, scale] :
         {std::pair{"pomelu-rec-logo.png", 1.0f}, {"pomelu-rec-logo.png", 3.0f}, {"no-such-logo.png", 1.0f}})
    {
        const bool missing = std::string(file) == "no-such-logo.png";
        GestureRecordingPlug plug;
        IGraphics g(plug, 100, 80, 60, scale);
        testing::internal::CaptureStderr();
        const IBitmap bitmap = g.LoadBitmap(file);
        const std::string err = testing::internal::GetCapturedStderr();
        ASSERT_NE(bitmap.IsValid(), missing)
            << file << ": the build writes the logo into the resources folder";
        EXPECT_EQ(err.find(file) != std::string::npos, missing) << "a missing image says so: " << err;
        g.AttachPanelBackground(kPaper);
        g.AttachControl(new IBitmapControl(IRECT(21, 7, 79, 71), bitmap));
        g.DrawFrame();
        int count = 0;
        const IRECT ink = InkBounds(g, kPaper, IRECT(0, 0, 100 * scale, 80 * scale), &count);
        EXPECT_TRUE(IRECT(21, 7, 79, 71).GetScaled(scale).Contains(ink)) << file << " at " << scale;
        EXPECT_GT(count, 100) << file;
        if (!missing)
        {
            EXPECT_TRUE(ink.W() > 45.0f * scale && ink.H() > 55.0f * scale) << scale;
        }
    }
}

// The knob's value arc (extra 3, blue here) ends at the angle of the value: a little before that
// angle the arc is blue, a little after it is the track.
TEST(Knob, DrawsItsValueArcToTheAngleOfTheValue)
{
    const IColor arc{255, 0, 0, 255};
    IVStyle style;
    style.showLabel = style.showValue = style.drawShadows = false;
    style.colorSpec[kX3] = arc;
    style.colorSpec[kFG] = IColor(255, 240, 240, 240);
    for (double v : {0.1, 0.25, 0.5, 0.75, 1.0})
    {
        GestureRecordingPlug plug;
        plug.GetParam(kGain)->SetNormalized(v);
        IGraphics g(plug, 200, 200);
        g.AttachPanelBackground(kPaper);
        auto* knob = new IVKnobControl(IRECT(0, 0, 200, 200), kGain, "", style, false, false, -135.0f, 135.0f,
                                       -135.0f, EDirection::Vertical, 4.0, 6.0f);
        g.AttachControl(knob);
        g.DrawFrame();
        const float r = 100.0f - 3.0f; // the arc's centre line: outer radius less half the track
        const double a = AngleForValue(knob->GetValue(), -135.0, 135.0);
        const IPoint before = PointOnCircle(100, 100, r, a - 4.0);
        const IPoint after = PointOnCircle(100, 100, r, a + 4.0);
        EXPECT_TRUE(near(PixelAt(g, static_cast<int>(before.x), static_cast<int>(before.y)), arc, 30))
            << "value " << v << ": before "
            << str(PixelAt(g, static_cast<int>(before.x), static_cast<int>(before.y)));
        if (v < 1.0)
        {
            EXPECT_FALSE(near(PixelAt(g, static_cast<int>(after.x), static_cast<int>(after.y)), arc, 60))
                << "value " << v << ": the arc stops at " << a << " degrees";
        }
    }
}

TEST(Frames, OnlyDirtyControlsAreRedrawnAndAQuietFrameDrawsNothing)
{
    GestureRecordingPlug plug;
    IGraphics g(plug, 200, 100, 60, 2.0f);
    g.AttachPanelBackground(kPaper);
    auto* a = g.AttachControl(new ITextControl(IRECT(10, 10, 60, 30), "a"));
    g.AttachControl(new ITextControl(IRECT(100, 10, 150, 30), "b"));
    std::vector<IRECT> rects;
    EXPECT_TRUE(g.DrawFrame(&rects));
    EXPECT_FALSE(g.DrawFrame(&rects)) << "nothing changed";
    EXPECT_TRUE(rects.empty());
    a->SetDirty(false);
    ASSERT_TRUE(g.DrawFrame(&rects));
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0], IRECT(20, 20, 120, 60)) << "the control's rectangle in window pixels at 2x";
}

TEST(Analyzer, TwoEqualSpectraDrawAsTwoCurvesOnTopOfEachOtherWould)
{
    // Equal channels are drawn as one curve, its fill in the colour the two fills make together; a
    // right channel a hair louder takes the path for different ones. The fills must agree.
    IColor fills[2][3];
    for (int variant = 0; variant < 2; ++variant)
    {
        GestureRecordingPlug plug;
        IGraphics g(plug, 300, 100);
        g.AttachPanelBackground(kPaper);
        auto* an = static_cast<IVSpectrumAnalyzerControl*>(
            g.AttachControl(new IVSpectrumAnalyzerControl(IRECT(0, 0, 300, 100)), 100));
        static iplug::SpectrumFrame frame;
        frame.nChans = 2;
        frame.fftSize = 1024;
        for (int b = 1; b <= 512; ++b)
            frame.bins[0][b] = frame.bins[1][b] = 0.3f;
        frame.bins[1][200] *= variant == 1 ? 1.0001f : 1.0f;
        an->OnMsgFromDelegate(0, sizeof frame, &frame);
        g.DrawFrame();
        for (int i = 0; i < 3; ++i) // inside the fill, clear of grid lines and labels
            fills[variant][i] = PixelAt(g, 70 + 90 * i, 80);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(near(fills[0][i], fills[1][i], 2)) << str(fills[0][i]) << " vs " << str(fills[1][i]);
}

} // namespace
} // namespace pomelu::test
