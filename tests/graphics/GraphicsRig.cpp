// SPDX-License-Identifier: GPL-3.0-or-later
#include "GraphicsRig.h"

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

} // namespace pomelu::test
