// SPDX-License-Identifier: GPL-3.0-or-later
#include "GraphicsRig.h"

#include "IControls.h"
#include "ISender.h"
#include "IVPeakAvgMeterControl.h"
#include "IVSpectrumAnalyzerControl.h"
#include "Resources.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace pomelu::test
{

using namespace igraphics;

namespace
{

iplug::Config testConfig()
{
    iplug::Config c;
    c.nParams = kNumTestParams;
    c.pluginName = "Test";
    c.plugHasUI = true;
    c.editorWidth = 980;
    c.editorHeight = 680;
    return c;
}

std::string fmt(const char* f, int a, double b = 0.0)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, f, a, b);
    return buf;
}

} // namespace

GestureRecordingPlug::GestureRecordingPlug() : IPlugBase(testConfig())
{
    GetParam(kGain)->InitDouble("Gain", 0.0, -24.0, 24.0, 0.1, "dB");
    GetParam(kMode)->InitEnum("Mode", 0, {"Soft", "Hard", "Fold"});
    GetParam(kFreq)->InitDouble("Freq", 1000.0, 20.0, 20000.0, 1.0, "Hz");
    GetParam(kPower)->InitBool("Power", false);
    for (int i = kFirstBusy; i < kNumTestParams; ++i)
        GetParam(i)->InitDouble(fmt("Busy %d", i).c_str(), 50.0, 0.0, 100.0, 0.1, "%");
}

bool GestureRecordingPlug::OnMessage(int msgTag, int ctrlTag, int dataSize, const void* pData)
{
    int v = 0;
    if (dataSize >= 4)
        std::memcpy(&v, pData, 4);
    char buf[48];
    std::snprintf(buf, sizeof buf, "M%d:%d=%d", msgTag, ctrlTag, v);
    log.push_back(buf);
    return true;
}

void GestureRecordingPlug::BeginInformHostOfParamChange(int idx)
{
    log.push_back(fmt("B%d", idx));
}

void GestureRecordingPlug::InformHostOfParamChangeFromUI(int idx, double normalized)
{
    log.push_back(fmt("S%d=%.4f", idx, normalized));
}

void GestureRecordingPlug::EndInformHostOfParamChange(int idx)
{
    log.push_back(fmt("E%d", idx));
}

IColor PixelAt(IGraphics& g, int x, int y)
{
    cairo_surface_t* s = g.GetBackBuffer();
    cairo_surface_flush(s);
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(s) || y >= cairo_image_surface_get_height(s))
        return COLOR_TRANSPARENT;
    const auto* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    std::uint32_t p = 0;
    std::memcpy(&p, row + 4 * x, 4);
    const int a = static_cast<int>(p >> 24);
    auto un = [a](std::uint32_t c) { return a == 0 ? 0 : static_cast<int>((c & 0xFF) * 255 / a); };
    return {a, un(p >> 16), un(p >> 8), un(p)};
}

IRECT InkBounds(IGraphics& g, const IColor& bg, const IRECT& area, int* count)
{
    IRECT box;
    int n = 0;
    for (int y = static_cast<int>(area.T); y < static_cast<int>(area.B); ++y)
        for (int x = static_cast<int>(area.L); x < static_cast<int>(area.R); ++x)
        {
            const IColor c = PixelAt(g, x, y);
            if (std::abs(c.R - bg.R) + std::abs(c.G - bg.G) + std::abs(c.B - bg.B) > 60)
            {
                box = box.Union(IRECT(static_cast<float>(x), static_cast<float>(y), x + 1.0f, y + 1.0f));
                ++n;
            }
        }
    if (count != nullptr)
        *count = n;
    return box;
}

std::vector<std::uint32_t> Pixels(IGraphics& g)
{
    cairo_surface_t* s = g.GetBackBuffer();
    cairo_surface_flush(s);
    std::vector<std::uint32_t> out;
    for (int y = 0; y < cairo_image_surface_get_height(s); ++y)
    {
        const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                                 y * cairo_image_surface_get_stride(s));
        out.insert(out.end(), row, row + cairo_image_surface_get_width(s));
    }
    return out;
}

bool TestFontsPresent()
{
    return !FindResource("Roboto-Regular.ttf").empty() && !FindResource("NotoSansJP.ttf").empty() &&
           !FindResource("MPLUSRounded1c-Bold.ttf").empty();
}

void LoadTestFonts(IGraphics& g)
{
    g.LoadFont("Roboto", "Roboto-Regular.ttf");
    g.LoadFont("NotoJP", "NotoSansJP.ttf");
    g.LoadFont("MPlusBold", "MPLUSRounded1c-Bold.ttf");
}

void BuildBusyPage(IGraphics& g)
{
    static const char* const labels[][2] = {
        {"INPUT", "入り口"},     {"GAIN", "音量"},    {"FREQUENCY", "音の場所"}, {"Q", "効く幅"},
        {"DRIVE", "ぐしゃっと"}, {"MIX", "まぜ具合"}, {"TONE", "音色"},          {"RATIO", "圧縮比"}};
    LoadTestFonts(g);
    const IColor ink(255, 53, 29, 69), accent(255, 255, 92, 145), accent2(255, 170, 129, 245),
        panel(255, 255, 242, 248);
    g.AttachPanelBackground(IColor(255, 253, 247, 252));
    g.AttachControl(new ITextControl(IRECT(90, 18, 962, 53), "Pomelu Rarorud Izad",
                                     IText(29, ink, "Roboto", EAlign::Near, EVAlign::Middle)));
    g.AttachControl(new ITextControl(IRECT(18, 64, 962, 88), "1.0.0",
                                     IText(12, accent2, "Roboto", EAlign::Near, EVAlign::Middle)));

    IVStyle knob;
    knob.colorSpec = {panel, accent, accent2, ink, accent, IColor(50, 60, 30, 70), ink, accent2, accent};
    knob.widgetFrac = 0.78f;
    knob.labelText = IText(11, ink, "MPlusBold");
    knob.valueText = IText(12, ink, "MPlusBold");
    for (int i = 0; i < 48; ++i)
    {
        const IRECT cell = IRECT(18, 376, 962, 662).GetGridCell(i / 12, i % 12, 4, 12).GetPadded(-3.0f);
        g.AttachControl(new IPanelControl(cell, panel));
        auto* k = new IVKnobControl(cell.GetReducedFromTop(13), kFirstBusy + i, labels[i % 8][0], knob, true);
        g.AttachControl(k);
        g.AttachControl(new ITextControl(cell.GetFromTop(13), labels[i % 8][1], IText(10, ink, "MPlusBold")));
        if (i == 0)
            k->SetTooltip("Input level");
    }
    IVStyle button = knob;
    button.widgetFrac = 1.0f;
    button.labelText = IText(12, ink, "MPlusBold");
    for (int i = 0; i < 4; ++i)
        g.AttachControl(new IVButtonControl(IRECT(18 + 134.0f * i, 158, 146 + 134.0f * i, 192), nullptr,
                                            labels[i][0], button, true, false));

    IVStyle analyzer = knob;
    analyzer.colorSpec[kBG] = IColor(255, 42, 28, 57);
    analyzer.labelText = IText(12, IColor(255, 255, 230, 242), "Roboto");
    auto* spec = new IVSpectrumAnalyzerControl(IRECT(23, 201, 869, 290), "SPECTRUM + EQ", analyzer);
    g.AttachControl(spec, 100);
    auto* meter = new IVPeakAvgMeterControl(IRECT(889, 201, 957, 366), "OUT", analyzer);
    g.AttachControl(meter, 101);

    // A pink-noise-like spectrum and a level, as the senders would deliver them.
    static iplug::SpectrumFrame frame;
    frame.ctrlTag = 100;
    frame.nChans = 2;
    frame.fftSize = 1024;
    for (int b = 1; b <= 512; ++b)
    {
        frame.bins[0][b] = static_cast<float>(0.2 / std::sqrt(b) * (1.0 + 0.5 * std::sin(b * 0.07)));
        frame.bins[1][b] = static_cast<float>(0.1 / std::sqrt(b) * (1.0 + 0.5 * std::cos(b * 0.05)));
    }
    for (int i = 0; i < 20; ++i)
        spec->OnMsgFromDelegate(0, sizeof frame, &frame);
    iplug::PeakAvgRecord level{101, 2, 0, {{0.7f, 0.3f}, {0.5f, 0.2f}}};
    meter->OnMsgFromDelegate(0, sizeof level, &level);
}

} // namespace pomelu::test
