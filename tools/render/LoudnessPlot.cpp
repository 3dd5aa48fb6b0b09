// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoudnessPlot.h"

#include "Errors.h"
#include "IControl.h"
#include "IGraphics.h"
#include "IPlugBase.h"
#include "editor/Theme.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace pomelu::tools
{

using igraphics::EAlign;
using igraphics::EVAlign;
using igraphics::IColor;
using igraphics::IGraphics;
using igraphics::IRECT;
using igraphics::IText;

int plotColumns(double scale)
{
    return std::max(1, static_cast<int>(std::lround((PlotLayout::kRight - PlotLayout::kLeft) * scale)));
}

namespace
{
constexpr double kGridLufs = 6.0;
constexpr float kMinTickSpacing = 80.0f; // logical units between time labels, at least
// The limiter's release leaves inaudible reductions for seconds after a peak; marks start here.
constexpr float kSmallestMarkedDb = -0.05f;

// "-23.0 LUFS", "-inf LUFS" for a value that does not exist.
std::string figure(double value, const char* format, const char* unit)
{
    char buffer[48];
    if (std::isfinite(value))
        std::snprintf(buffer, sizeof(buffer), format, value);
    else
        std::snprintf(buffer, sizeof(buffer), "-inf");
    return std::string(buffer) + " " + unit;
}

// A time on an axis whose ticks are step seconds apart: "1:05", "1:02:05", "0:00.5".
std::string timeLabel(double seconds, double step, bool hours)
{
    const long tenths = std::lround(seconds * 10.0);
    const long whole = tenths / 10;
    char buffer[32];
    if (hours)
        std::snprintf(buffer, sizeof(buffer), "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    else if (step < 1.0)
        std::snprintf(buffer, sizeof(buffer), "%ld:%02ld.%ld", whole / 60, whole % 60, tenths % 10);
    else
        std::snprintf(buffer, sizeof(buffer), "%ld:%02ld", whole / 60, whole % 60);
    return buffer;
}

// The shortest tick step that keeps labels kMinTickSpacing apart.
double tickStep(const PlotLayout& layout)
{
    static constexpr double steps[] = {0.1, 0.2, 0.5, 1,   2,   5,    10,   15,  30,
                                       60,  120, 300, 600, 900, 1800, 3600, 7200};
    for (const double step : steps)
        if (layout.xForSeconds(step) - layout.xForSeconds(0.0) >= kMinTickSpacing)
            return step;
    return steps[std::size(steps) - 1] * std::ceil(layout.seconds / 36000.0);
}

// The whole picture as one control filling the page.
class PlotView final : public igraphics::IControl
{
public:
    PlotView(const RenderResult& r, const editor::ThemePalette& palette, float pixelScale)
        : IControl(IRECT(0.0f, 0.0f, PlotLayout::kWidth, PlotLayout::kHeight)), result(r), trace(*r.trace),
          p(palette), scale(pixelScale)
    {
        layout.seconds = std::max(static_cast<double>(r.outputFrames) / r.sampleRate, 0.1);
        for (const float db : trace.limiterGainDb)
            layout.limiterFloorDb = std::min(layout.limiterFloorDb, 3.0 * std::floor(db / 3.0));
    }

    void Draw(IGraphics& g) override
    {
        g.FillRect(p.background, GetRECT());
        drawHeader(g);
        drawTimeGrid(g);
        drawWave(g, PlotLayout::kInput, trace.input, p.ink.WithAlpha(150), "input", false);
        drawWave(g, PlotLayout::kOutput, trace.output, p.accent, "output", result.delivery.has_value());
        drawLimiter(g);
        drawLoudness(g);
        drawLegend(g);
    }

private:
    IText text(float size, const IColor& color, EAlign align = EAlign::Near,
               const char* font = "Roboto") const
    {
        return IText(size, color, font, align, EVAlign::Middle);
    }

    void drawHeader(IGraphics& g)
    {
        const RenderJob& job = result.job;
        g.DrawText(text(17.0f, p.ink, EAlign::Near, "MPlusBold"),
                   (job.inputPath + "  \xE2\x86\x92  " + job.outputPath).c_str(), IRECT(20, 6, 900, 32));
        const std::string about = timeLabel(layout.seconds, 0.1, layout.seconds >= 3600.0) + "   " +
                                  std::to_string(result.sampleRate) + " Hz   " +
                                  (result.channels == 1 ? "mono" : "stereo");
        g.DrawText(text(12.0f, p.ink, EAlign::Far), about.c_str(), IRECT(800, 6, 1180, 32));

        const IColor dim = p.ink.WithAlpha(150);
        const float columns[] = {170.0f, 280.0f, 400.0f}; // right edges of the three figures
        const char* titles[] = {"integrated", "range", "true peak"};
        for (int i = 0; i < 3; ++i)
            g.DrawText(text(11.0f, dim, EAlign::Far), titles[i], IRECT(columns[i] - 100, 36, columns[i], 50));
        const auto row = [&](float y, const char* what, const LoudnessFigures& f)
        {
            g.DrawText(text(12.0f, dim), what, IRECT(20, y, 100, y + 18));
            const std::string values[] = {figure(f.integratedLufs, "%.1f", "LUFS"),
                                          figure(f.loudnessRangeLu, "%.1f", "LU"),
                                          figure(f.truePeakDbtp, "%.1f", "dBTP")};
            for (int i = 0; i < 3; ++i)
                g.DrawText(text(13.0f, p.ink, EAlign::Far), values[i].c_str(),
                           IRECT(columns[i] - 110, y, columns[i], y + 18));
        };
        float y = 52.0f;
        row(y, "input", result.input);
        if (result.beforeDelivery)
            row(y += 20.0f, "plug-in", *result.beforeDelivery);
        row(y += 20.0f, "output", result.output);

        std::vector<std::string> lines;
        char buffer[160];
        if (const auto& d = result.delivery)
        {
            std::snprintf(buffer, sizeof(buffer), "target %.1f LUFS under %.1f dBTP", d->targetLufs,
                          d->ceilingDbtp);
            lines.emplace_back(buffer);
            std::snprintf(buffer, sizeof(buffer), "gain %+.1f dB", d->gainDb);
            lines.emplace_back(buffer);
            if (d->largestReductionDb < 0.0)
                std::snprintf(buffer, sizeof(buffer), "limiter down to %.1f dB", d->largestReductionDb);
            else
                std::snprintf(buffer, sizeof(buffer), "limiter untouched");
            lines.emplace_back(buffer);
        }
        else
            lines.emplace_back("no loudness target");
        if (result.clippedSamples > 0)
            lines.push_back(std::to_string(result.clippedSamples) + " samples clipped");
        float ly = 36.0f;
        for (const std::string& line : lines)
        {
            g.DrawText(text(13.0f, p.ink), line.c_str(), IRECT(520, ly, 1180, ly + 18));
            ly += 19.0f;
        }
        if (!result.warning.empty())
            g.DrawText(text(11.0f, p.accent), result.warning.c_str(), IRECT(520, ly, 1180, ly + 16));
    }

    // Panels, then a vertical line and a label at every tick through all of them.
    void drawTimeGrid(IGraphics& g)
    {
        for (const IRECT& r :
             {PlotLayout::kInput, PlotLayout::kOutput, PlotLayout::kLimiter, PlotLayout::kLoudness})
            g.FillRect(p.panel, r);
        const double step = tickStep(layout);
        const IColor grid = p.ink.WithAlpha(36);
        for (double t = 0.0; t <= layout.seconds + 1e-9; t += step)
        {
            const float x = layout.xForSeconds(t);
            for (const IRECT& r :
                 {PlotLayout::kInput, PlotLayout::kOutput, PlotLayout::kLimiter, PlotLayout::kLoudness})
                g.DrawLine(grid, x, r.T, x, r.B);
            g.DrawLine(p.ink, x, PlotLayout::kTimeAxis.T, x, PlotLayout::kTimeAxis.T + 4.0f);
            g.DrawText(text(11.0f, p.ink, EAlign::Center),
                       timeLabel(t, step, layout.seconds >= 3600.0).c_str(),
                       IRECT(x - 40.0f, PlotLayout::kTimeAxis.T + 4.0f, x + 40.0f, PlotLayout::kTimeAxis.B));
        }
    }

    void drawWave(IGraphics& g, const IRECT& r, const WaveEnvelope& wave, const IColor& color,
                  const char* caption, bool ceilingLines)
    {
        const IColor grid = p.ink.WithAlpha(36);
        for (const double a : {-0.5, 0.0, 0.5})
            g.DrawLine(grid, r.L, PlotLayout::yForAmplitude(r, a), r.R, PlotLayout::yForAmplitude(r, a));
        const std::vector<float>& lows = wave.lows();
        const std::vector<float>& highs = wave.highs();
        const float width = r.W() / static_cast<float>(lows.size());
        const float thinnest = 1.0f / scale;
        g.PathClear();
        for (std::size_t c = 0; c < lows.size(); ++c)
            if (lows[c] <= highs[c])
            {
                const float top = PlotLayout::yForAmplitude(r, std::min(highs[c], 1.0f));
                const float bottom = PlotLayout::yForAmplitude(r, std::max(lows[c], -1.0f));
                const float x = r.L + width * static_cast<float>(c);
                g.PathRect(IRECT(x, top, x + width, std::max(bottom, top + thinnest)));
            }
        g.PathFill(color);
        g.DrawText(text(11.0f, p.ink), caption, IRECT(r.L + 6, r.T + 2, r.L + 200, r.T + 16));
        if (ceilingLines)
        {
            const double ceiling = dbToAmplitude(result.delivery->ceilingDbtp);
            for (const double a : {ceiling, -ceiling})
            {
                const float y = PlotLayout::yForAmplitude(r, a);
                g.DrawDottedLine(p.accent2, r.L, y, r.R, y, nullptr, 1.0f, 4.0f);
            }
            char label[64];
            std::snprintf(label, sizeof(label), "ceiling %.1f dBTP", result.delivery->ceilingDbtp);
            const float y = PlotLayout::yForAmplitude(r, ceiling);
            g.DrawText(text(11.0f, p.ink, EAlign::Far), label, IRECT(r.R - 200, y + 1, r.R - 6, y + 15));
        }
    }

    void drawLimiter(IGraphics& g)
    {
        const IRECT& r = PlotLayout::kLimiter;
        const IColor dim = p.ink.WithAlpha(150);
        g.DrawText(text(10.0f, dim, EAlign::Far), "0", IRECT(r.L - 60, r.T - 2, r.L - 6, r.T + 10));
        char floor[32];
        std::snprintf(floor, sizeof(floor), "%.0f dB", layout.limiterFloorDb);
        g.DrawText(text(10.0f, dim, EAlign::Far), floor, IRECT(r.L - 60, r.B - 10, r.L - 6, r.B + 2));
        if (!result.delivery)
        {
            g.DrawText(text(11.0f, dim, EAlign::Center), "limiter: only with a loudness target", r);
            return;
        }
        const double binSeconds = static_cast<double>(trace.framesPer100ms) / result.sampleRate;
        const float thinnest = 1.0f / scale;
        g.PathClear();
        bool any = false;
        for (std::size_t b = 0; b < trace.limiterGainDb.size(); ++b)
            if (trace.limiterGainDb[b] <= kSmallestMarkedDb)
            {
                const float x0 = layout.xForSeconds(b * binSeconds);
                const float x1 = std::max(layout.xForSeconds((b + 1) * binSeconds), x0 + thinnest);
                g.PathRect(IRECT(x0, r.T, std::min(x1, r.R),
                                 std::max(layout.yForGainDb(trace.limiterGainDb[b]), r.T + thinnest)));
                any = true;
            }
        if (any)
            g.PathFill(p.accent);
        else
            g.PathClear();
        g.DrawText(text(11.0f, p.ink), any ? "limiter" : "limiter: untouched",
                   IRECT(r.L + 6, r.B - 16, r.L + 300, r.B - 2));
    }

    void drawLoudness(IGraphics& g)
    {
        const IRECT& r = PlotLayout::kLoudness;
        const IColor grid = p.ink.WithAlpha(36);
        const IColor dim = p.ink.WithAlpha(150);
        for (double lufs = PlotLayout::kTopLufs; lufs >= PlotLayout::kBottomLufs - 1e-9; lufs -= kGridLufs)
        {
            const float y = PlotLayout::yForLufs(lufs);
            g.DrawLine(grid, r.L, y, r.R, y);
            g.DrawText(text(10.0f, dim, EAlign::Far), std::to_string(static_cast<int>(lufs)).c_str(),
                       IRECT(r.L - 40, y - 7, r.L - 6, y + 7));
        }
        g.DrawText(text(10.0f, dim, EAlign::Far), "LUFS", IRECT(0, r.T + 10, r.L - 6, r.T + 24));

        const double binSeconds = static_cast<double>(trace.framesPer100ms) / result.sampleRate;
        drawCurve(g, trace.outputLoudness.momentaryLufs, binSeconds, p.accent2.WithAlpha(150), 1.0f);
        drawCurve(g, trace.outputLoudness.shortTermLufs, binSeconds, p.accent, 2.0f);

        char label[64];
        if (std::isfinite(result.output.integratedLufs))
        {
            const float y = PlotLayout::yForLufs(result.output.integratedLufs);
            g.DrawDottedLine(p.ink, r.L, y, r.R, y, nullptr, 1.0f, 5.0f);
            std::snprintf(label, sizeof(label), "integrated %.1f LUFS", result.output.integratedLufs);
            g.DrawText(text(11.0f, p.ink, EAlign::Far), label, IRECT(r.R - 260, y - 16, r.R - 6, y - 2));
        }
        if (result.delivery)
        {
            const float y = PlotLayout::yForLufs(result.delivery->targetLufs);
            g.DrawLine(p.accent2, r.L, y, r.R, y, nullptr, 1.5f);
            std::snprintf(label, sizeof(label), "target %.1f LUFS", result.delivery->targetLufs);
            g.DrawText(text(11.0f, p.ink, EAlign::Far), label, IRECT(r.R - 260, y + 2, r.R - 6, y + 16));
        }
    }

    // Points at the end of their 100 ms blocks; broken where the level falls below the axis.
    void drawCurve(IGraphics& g, const std::vector<float>& lufs, double binSeconds, const IColor& color,
                   float thickness)
    {
        g.PathClear();
        bool drawing = false, any = false;
        for (std::size_t k = 0; k < lufs.size(); ++k)
        {
            if (!(lufs[k] >= PlotLayout::kBottomLufs))
            {
                drawing = false;
                continue;
            }
            const float x = layout.xForSeconds((k + 1) * binSeconds);
            const float y = PlotLayout::yForLufs(std::min<double>(lufs[k], PlotLayout::kTopLufs));
            if (drawing)
                g.PathLineTo(x, y);
            else
                g.PathMoveTo(x, y);
            drawing = any = true;
        }
        if (any)
            g.PathStroke(color, thickness);
        else
            g.PathClear();
    }

    void drawLegend(IGraphics& g)
    {
        struct Entry
        {
            IColor color;
            float thickness;
            const char* name;
            bool dotted = false;
        };
        std::vector<Entry> entries{{p.accent, 2.0f, "short-term (3 s)"},
                                   {p.accent2.WithAlpha(150), 1.0f, "momentary (400 ms)"},
                                   {p.ink, 1.0f, "integrated", true}};
        if (result.delivery)
            entries.insert(entries.end(), {{p.accent2, 1.5f, "target"},
                                           {p.accent2, 1.0f, "true-peak ceiling", true},
                                           {p.accent, 6.0f, "limiter gain reduction"}});
        float x = PlotLayout::kLegend.L;
        const float y = PlotLayout::kLegend.MH();
        for (const Entry& e : entries)
        {
            if (e.dotted)
                g.DrawDottedLine(e.color, x, y, x + 22.0f, y, nullptr, e.thickness, 4.0f);
            else
                g.DrawLine(e.color, x, y, x + 22.0f, y, nullptr, e.thickness);
            const IText t = text(11.0f, p.ink);
            const float w = g.MeasureText(t, e.name);
            g.DrawText(t, e.name, IRECT(x + 28.0f, y - 8.0f, x + 28.0f + w + 2.0f, y + 8.0f));
            x += 28.0f + w + 24.0f;
        }
    }

    const RenderResult& result;
    const PlotTrace& trace;
    const editor::ThemePalette& p;
    const float scale;
    PlotLayout layout;
};

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

bool endsWithSvg(const std::string& path)
{
    return path.size() >= 4 &&
           (path.compare(path.size() - 4, 4, ".svg") == 0 || path.compare(path.size() - 4, 4, ".SVG") == 0);
}
} // namespace

void writeLoudnessPlot(const std::string& path, const RenderResult& result, int theme, double scale)
{
    std::vector<std::uint8_t> bytes;
    cairo_status_t status = CAIRO_STATUS_SUCCESS;
    {
        static std::mutex drawing;
        const std::lock_guard<std::mutex> lock(drawing);
        iplug::Config config;
        iplug::IPlugBase plug(config);
        IGraphics g(plug, static_cast<int>(PlotLayout::kWidth), static_cast<int>(PlotLayout::kHeight), 60,
                    static_cast<float>(scale));
        g.LoadFont("Roboto", "Roboto-Regular.ttf");
        g.LoadFont("NotoJP", "NotoSansJP.ttf");
        g.LoadFont("MPlusBold", "MPLUSRounded1c-Bold.ttf");
        const editor::ThemePalette& palette =
            editor::kPalettes[static_cast<std::size_t>(std::clamp(theme, 0, 2))];
        g.AttachControl(new PlotView(result, palette, g.GetDrawScale()));
        if (endsWithSvg(path))
        {
            cairo_surface_t* surface =
                cairo_svg_surface_create_for_stream(appendBytes, &bytes, g.WindowWidth(), g.WindowHeight());
            cairo_t* cr = cairo_create(surface);
            g.DrawTo(cr);
            cairo_destroy(cr);
            cairo_surface_finish(surface);
            status = cairo_surface_status(surface);
            cairo_surface_destroy(surface);
        }
        else
        {
            g.SetAllControlsDirty();
            g.DrawFrame();
            status = cairo_surface_write_to_png_stream(g.GetBackBuffer(), appendBytes, &bytes);
        }
    }
    if (status != CAIRO_STATUS_SUCCESS)
        throwIoError("cannot draw '" + path + "': " + cairo_status_to_string(status));
    writeBinaryFileAtomically(path, bytes);
}

} // namespace pomelu::tools
