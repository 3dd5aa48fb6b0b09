// SPDX-License-Identifier: GPL-3.0-or-later
#include "IVSpectrumAnalyzerControl.h"

#include "IPlugBase.h"
#include "ISender.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace igraphics
{

namespace
{

enum ESubmenu
{
    kSubFFTSize,
    kSubChannels,
    kSubFreqScaling,
    kSubOverlap,
    kSubWindow
};

constexpr float kAxisBand = 12.0f; // the border holding the title and the frequency labels
constexpr double kGridHz[] = {50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0};

} // namespace

IVSpectrumAnalyzerControl::IVSpectrumAnalyzerControl(
    const IRECT& bounds, const char* label, const IVStyle& style,
    const std::array<IColor, kMaxChannels>& channelColors, bool logFrequency, float curveThickness,
    float gridThickness, float fillOpacity, float attackTimeMs, float decayTimeMs, float lowDb, float highDb)
    : IControl(bounds), IVectorBase(style, label), mChannelColors(channelColors), mLogFrequency(logFrequency),
      mCurveThickness(curveThickness), mGridThickness(gridThickness), mFillOpacity(fillOpacity),
      mAttackMs(attackTimeMs), mDecayMs(decayTimeMs), mLowDb(lowDb),
      mHighDb(highDb > lowDb ? highDb : lowDb + 1.0f)
{
    for (auto& b : mBins)
        b.assign(iplug::SpectrumFrame::kMaxBins, 0.0f);
    mX.reserve(iplug::SpectrumFrame::kMaxBins + 2);
    mY.reserve(iplug::SpectrumFrame::kMaxBins + 2);

    auto sub = [](std::initializer_list<const char*> items)
    { return std::make_unique<IPopupMenu>("", items); };
    mMenu.AddItem("FFT Size", sub({"64", "128", "256", "512", "1024", "2048", "4096"}));
    mMenu.AddItem("Channels", sub({"L", "R", "L + R"}));
    mMenu.AddItem("Freq Scaling", sub({"Linear", "Log"}));
    mMenu.AddItem("Overlap", sub({"1x", "2x", "4x", "8x"}));
    mMenu.AddItem("Window",
                  sub({kWindowNames[0], kWindowNames[1], kWindowNames[2], kWindowNames[3], kWindowNames[4]}));
    syncMenuChecks();
}

void IVSpectrumAnalyzerControl::syncMenuChecks()
{
    auto indexOf = [](const auto& table, int v)
    {
        for (int i = 0; i < static_cast<int>(std::size(table)); ++i)
            if (table[i] == v)
                return i;
        return -1;
    };
    mMenu.GetItem(kSubFFTSize)->GetSubmenu()->CheckItemAlone(indexOf(kFFTSizes, mFFTSize));
    mMenu.GetItem(kSubChannels)->GetSubmenu()->CheckItemAlone(static_cast<int>(mChannels));
    mMenu.GetItem(kSubFreqScaling)->GetSubmenu()->CheckItemAlone(mLogFrequency ? 1 : 0);
    mMenu.GetItem(kSubOverlap)->GetSubmenu()->CheckItemAlone(indexOf(kOverlaps, mOverlap));
    mMenu.GetItem(kSubWindow)->GetSubmenu()->CheckItemAlone(mWindowType);
}

void IVSpectrumAnalyzerControl::OnResize()
{
    const IRECT& r = GetRECT();
    mPlot = r.GetReducedFromBottom(kAxisBand);
    if (mStyle.showLabel && !mLabelStr.empty())
    {
        mLabelBounds = r.GetFromTop(kAxisBand);
        mPlot = mPlot.GetReducedFromTop(kAxisBand);
    }
    mWidgetBounds = mPlot;
    SetDirty(false);
}

FreqAxis IVSpectrumAnalyzerControl::GetFreqAxis() const
{
    const double nyquist = 0.5 * mSampleRate;
    return {nyquist / shownFFTSize(), nyquist, mPlot.L, std::max(1.0f, mPlot.W()), mLogFrequency};
}

DbAxis IVSpectrumAnalyzerControl::GetDbAxis() const
{
    return {mLowDb, mHighDb, mPlot.T, std::max(1.0f, mPlot.H())};
}

float IVSpectrumAnalyzerControl::GetSmoothedBin(int channel, int bin) const
{
    if (channel < 0 || channel >= kMaxChannels || bin < 0 || bin >= iplug::SpectrumFrame::kMaxBins)
        return 0.0f;
    return mBins[static_cast<std::size_t>(channel)][static_cast<std::size_t>(bin)];
}

bool IVSpectrumAnalyzerControl::IsDirty()
{
    return IControl::IsDirty() || mNewData;
}

bool IVSpectrumAnalyzerControl::IsOpaque() const
{
    // The axes start with the background filled over the whole rectangle.
    return GetColor(kBG).A == 255 && mBlend.weight >= 1.0f &&
           (mBlend.method == EBlend::Default || mBlend.method == EBlend::Clobber);
}

void IVSpectrumAnalyzerControl::OnMsgFromDelegate(int msgTag, int dataSize, const void* pData)
{
    if (pData == nullptr)
        return;
    std::int32_t v = 0;
    if (msgTag != kMsgTagSpectrum && msgTag != kMsgTagSampleRate)
    {
        if (dataSize < static_cast<int>(sizeof v))
            return;
        std::memcpy(&v, pData, sizeof v);
    }
    switch (msgTag)
    {
    case kMsgTagSpectrum:
    {
        if (dataSize < static_cast<int>(sizeof(iplug::SpectrumFrame)))
            return;
        const auto& f = *static_cast<const iplug::SpectrumFrame*>(pData);
        if (f.fftSize < 2 || f.fftSize > iplug::SpectrumFrame::kMaxFFTSize)
            return;
        const int nBins = f.fftSize / 2 + 1;
        if (f.fftSize != mDataFFTSize)
            for (auto& b : mBins)
                std::fill(b.begin(), b.end(), 0.0f);
        mDataFFTSize = f.fftSize;
        // One-pole smoothing per bin over the hop between two spectra.
        const double hopSec =
            static_cast<double>(f.fftSize) / std::max(1, mOverlap) / std::max(1.0, mSampleRate);
        const float attack = static_cast<float>(std::exp(-hopSec / std::max(1e-6, mAttackMs * 1e-3)));
        const float decay = static_cast<float>(std::exp(-hopSec / std::max(1e-6, mDecayMs * 1e-3)));
        // Only what shows is news: a level that stays below the plot's floor draws nothing new.
        const float floor = static_cast<float>(std::pow(10.0, mLowDb / 20.0));
        bool changed = false;
        for (int c = 0; c < std::min<int>(f.nChans, kMaxChannels); ++c)
        {
            const int ch = c + f.chanOffset;
            if (ch < 0 || ch >= kMaxChannels)
                continue;
            float* dst = mBins[static_cast<std::size_t>(ch)].data();
            const float* src = f.bins[c];
            for (int i = 0; i < nBins; ++i)
            {
                const float k = src[i] > dst[i] ? attack : decay;
                const float was = dst[i];
                dst[i] = src[i] + k * (dst[i] - src[i]);
                changed = changed || (dst[i] != was && (dst[i] >= floor || was >= floor));
            }
        }
        // A frame from the first channel on carries every channel there is: the others are gone.
        if (f.chanOffset == 0)
        {
            const int present = std::clamp<int>(f.nChans, 0, kMaxChannels);
            changed = changed || present != mPresentChannels;
            mPresentChannels = present;
        }
        for (int ch = mPresentChannels; ch < kMaxChannels; ++ch)
        {
            auto& bins = mBins[static_cast<std::size_t>(ch)];
            if (std::ranges::any_of(bins, [](float b) { return b != 0.0f; }))
            {
                std::ranges::fill(bins, 0.0f);
                changed = true;
            }
        }
        mNewData = mNewData || changed;
        return;
    }
    case kMsgTagSampleRate:
    {
        double sr = 0.0;
        if (dataSize < static_cast<int>(sizeof sr))
            return;
        std::memcpy(&sr, pData, sizeof sr);
        if (std::isfinite(sr) && sr > 0.0)
            mSampleRate = sr;
        break;
    }
    case kMsgTagFFTSize:
        if (v > 0)
            mFFTSize = v;
        break;
    case kMsgTagOverlap:
        if (v > 0)
            mOverlap = v;
        break;
    case kMsgTagWindowType:
        if (v >= 0 && v < static_cast<int>(std::size(kWindowNames)))
            mWindowType = v;
        break;
    default:
        return;
    }
    syncMenuChecks();
    SetDirty(false);
}

void IVSpectrumAnalyzerControl::OnMouseDown(float x, float y, const IMouseMod&)
{
    if (GetUI() != nullptr)
        GetUI()->CreatePopupMenu(*this, mMenu, x, y);
}

void IVSpectrumAnalyzerControl::sendOption(int msgTag, int value)
{
    if (iplug::IPlugBase* plug = GetDelegate())
    {
        const std::int32_t v = value;
        plug->SendMessageFromUI(msgTag, GetTag(), static_cast<int>(sizeof v), &v);
    }
}

void IVSpectrumAnalyzerControl::OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int)
{
    if (pSelectedMenu == nullptr)
        return;
    const int idx = pSelectedMenu->GetChosenItemIdx();
    if (pSelectedMenu == mMenu.GetItem(kSubFFTSize)->GetSubmenu())
    {
        mFFTSize = kFFTSizes[idx];
        sendOption(kMsgTagFFTSize, mFFTSize);
    }
    else if (pSelectedMenu == mMenu.GetItem(kSubChannels)->GetSubmenu())
        mChannels = static_cast<EChannels>(idx);
    else if (pSelectedMenu == mMenu.GetItem(kSubFreqScaling)->GetSubmenu())
        mLogFrequency = idx == 1;
    else if (pSelectedMenu == mMenu.GetItem(kSubOverlap)->GetSubmenu())
    {
        mOverlap = kOverlaps[idx];
        sendOption(kMsgTagOverlap, mOverlap);
    }
    else if (pSelectedMenu == mMenu.GetItem(kSubWindow)->GetSubmenu())
    {
        mWindowType = idx;
        sendOption(kMsgTagWindowType, mWindowType);
    }
    syncMenuChecks();
    SetDirty(false);
}

void IVSpectrumAnalyzerControl::Draw(IGraphics& g)
{
    const FreqAxis fx = GetFreqAxis();
    const DbAxis dy = GetDbAxis();
    // Background, grid, axis labels and title change with the axes and the style only.
    const double key[] = {fx.lo,
                          fx.hi,
                          fx.log ? 1.0 : 0.0,
                          dy.lo,
                          dy.hi,
                          PackedColor(GetColor(kBG)),
                          PackedColor(mStyle.labelText.fgColor),
                          mBlend.weight};
    mAxesLayer.Paint(
        g, GetRECT(), key, [&] { drawAxes(g, fx, dy); }, IsOpaque());
    drawSpectra(g, fx, dy);
    mNewData = false;
}

void IVSpectrumAnalyzerControl::drawAxes(IGraphics& g, const FreqAxis& fx, const DbAxis& dy)
{
    g.FillRect(GetColor(kBG), GetRECT(), &mBlend);
    const IColor ink = mStyle.labelText.fgColor;
    const IColor grid = ink.WithAlpha(38);
    const IText axisText = mStyle.labelText.WithSize(9.0f).WithFGColor(ink.WithAlpha(170));

    // Level grid and labels every 10 dB from the top; a label within 2 units of the previous one is
    // skipped.
    float lastLabelBottom = -1e9f;
    for (double db = mHighDb; db >= mLowDb - 1e-9; db -= 10.0)
    {
        const float y = static_cast<float>(dy.ToY(db));
        g.DrawLine(grid, mPlot.L, y, mPlot.R, y, nullptr, mGridThickness);
        char text[16];
        std::snprintf(text, sizeof text, "%ddB", static_cast<int>(std::lround(db)));
        const IRECT box(mPlot.L + 2.0f, y - 5.0f, mPlot.L + 40.0f, y + 5.0f);
        const IRECT clamped =
            box.GetTranslated(0.0f, std::max(0.0f, mPlot.T - box.T) - std::max(0.0f, box.B - mPlot.B));
        if (clamped.T < lastLabelBottom + 2.0f)
            continue;
        g.DrawText(axisText.WithAlign(EAlign::Near), text, clamped);
        lastLabelBottom = clamped.B;
    }

    // Frequency grid and labels just below the plot; label width from "20kHz"; a label starting
    // within 4 units of the previous one is skipped.
    const float labelW = g.MeasureText(axisText, "20kHz");
    float lastLabelRight = -1e9f;
    for (double hz : kGridHz)
    {
        if (hz < fx.lo || hz > fx.hi)
            continue;
        const float x = static_cast<float>(fx.ToX(hz));
        g.DrawLine(grid, x, mPlot.T, x, mPlot.B, nullptr, mGridThickness);
        char text[16];
        if (hz >= 1000.0)
            std::snprintf(text, sizeof text, "%.0fkHz", hz / 1000.0);
        else
            std::snprintf(text, sizeof text, "%.0fHz", hz);
        const IRECT box(x - 0.5f * labelW, mPlot.B, x + 0.5f * labelW, mPlot.B + kAxisBand);
        if (box.L < lastLabelRight + 4.0f)
            continue;
        g.DrawText(axisText, text, box);
        lastLabelRight = box.R;
    }
    DrawLabel(g);
}

void IVSpectrumAnalyzerControl::drawSpectra(IGraphics& g, const FreqAxis& fx, const DbAxis& dy)
{
    // Spectra: one point per two logical units of width (the loudest bin there), filled below;
    // finer points cost stroking time without showing more. Redrawn with every spectrum, they are
    // the editor's costliest drawing while audio runs: Cairo's fast antialiasing (4 x 4 samples per
    // pixel) and bevelled joins draw them in about half the time, with no visible loss on a line
    // that moves 40 times a second.
    if (mDataFFTSize <= 0)
        return;
    const int nBins = mDataFFTSize / 2 + 1;
    const bool both = mChannels == EChannels::LeftAndRight;
    // A mono source in a stereo track gives two equal spectra: the second curve covers the first,
    // so one curve is drawn, its fill in the colour the two fills make on top of each other.
    const bool equal = both && mPresentChannels == kMaxChannels &&
                       std::equal(mBins[0].begin(), mBins[0].begin() + nBins, mBins[1].begin());
    cairo_t* cr = g.GetDrawContext();
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_FAST);
    for (int ch = 0; ch < kMaxChannels; ++ch)
    {
        if ((ch == 0 && (mChannels == EChannels::Right || equal)) ||
            (ch == 1 && mChannels == EChannels::Left) || ch >= mPresentChannels)
            continue;
        const IColor fill = mChannelColors[static_cast<std::size_t>(ch)].WithOpacity(mFillOpacity);
        drawSpectrum(g, fx, dy, ch, equal ? Over(fill, mChannelColors[0].WithOpacity(mFillOpacity)) : fill);
    }
    cairo_restore(cr);
}

void IVSpectrumAnalyzerControl::drawSpectrum(IGraphics& g, const FreqAxis& fx, const DbAxis& dy, int ch,
                                             const IColor& fill)
{
    const int nBins = mDataFFTSize / 2 + 1;
    const double binHz = mSampleRate / mDataFFTSize;
    const float* bins = mBins[static_cast<std::size_t>(ch)].data();
    mX.clear();
    mY.clear();
    float colX = -1e9f, colMax = 0.0f;
    auto flush = [&]
    {
        if (colX > -1e8f)
        {
            mX.push_back(colX);
            mY.push_back(static_cast<float>(dy.ToY(AmpToDb(colMax, mLowDb))));
        }
    };
    for (int i = 1; i < nBins; ++i)
    {
        const float x = std::clamp(static_cast<float>(fx.ToX(i * binHz)), mPlot.L, mPlot.R);
        if (x - colX >= 2.0f)
        {
            flush();
            colX = x;
            colMax = 0.0f;
        }
        colMax = std::max(colMax, bins[i]);
    }
    flush();
    if (mX.size() < 2)
        return;
    mX.push_back(mX.back());
    mY.push_back(mPlot.B);
    mX.push_back(mX.front());
    mY.push_back(mPlot.B);
    g.FillPolygon(fill, mX.data(), mY.data(), static_cast<int>(mX.size()));
    g.PathMoveTo(mX[0], mY[0]);
    for (std::size_t i = 1; i + 2 < mX.size(); ++i)
        g.PathLineTo(mX[i], mY[i]);
    IStrokeOptions bevel;
    bevel.join = ELineJoin::Bevel;
    g.PathStroke(mChannelColors[static_cast<std::size_t>(ch)], mCurveThickness, bevel);
}

} // namespace igraphics
