// SPDX-License-Identifier: GPL-3.0-or-later
#include "IVPeakAvgMeterControl.h"

#include "ISender.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace igraphics
{

IVPeakAvgMeterControl::IVPeakAvgMeterControl(const IRECT& bounds, const char* label, const IVStyle& style,
                                             EDirection direction, std::vector<std::string> trackNames,
                                             int nSegments, bool logResponse, float lowDb, float highDb,
                                             std::vector<int> marks, const char* markLabelFormat,
                                             int holdFrames)
    : IControl(bounds), IVectorBase(style, label), mDirection(direction), mTrackNames(std::move(trackNames)),
      mNSegments(std::max(0, nSegments)), mLogResponse(logResponse), mLowDb(lowDb),
      mHighDb(highDb > lowDb ? highDb : lowDb + 1.0f), mMarks(std::move(marks)),
      mMarkFormat(markLabelFormat != nullptr ? markLabelFormat : ""), mHoldFrames(std::max(0, holdFrames)),
      mNTracks(std::clamp(static_cast<int>(mTrackNames.size()), 1, kMaxChannels))
{
}

void IVPeakAvgMeterControl::OnResize()
{
    IRECT r = GetRECT().GetPadded(-3.0f);
    mLabelBounds = {};
    if (mStyle.showLabel && !mLabelStr.empty())
    {
        mLabelBounds = r.GetFromTop(mStyle.labelText.size + 4.0f);
        r = r.GetReducedFromTop(mLabelBounds.H());
    }
    if (mDirection == EDirection::Vertical)
    {
        mNames = r.GetFromBottom(12.0f);
        r = r.GetReducedFromBottom(12.0f);
        mMarkLabels = r.GetFromRight(std::min(30.0f, 0.5f * r.W()));
        mTracks = r.GetReducedFromRight(mMarkLabels.W() + 2.0f);
    }
    else
    {
        mNames = r.GetFromLeft(12.0f);
        r = r.GetReducedFromLeft(12.0f);
        mMarkLabels = r.GetFromBottom(std::min(12.0f, 0.5f * r.H()));
        mTracks = r.GetReducedFromBottom(mMarkLabels.H() + 2.0f);
    }
    mWidgetBounds = mTracks;
    SetDirty(false);
}

IRECT IVPeakAvgMeterControl::GetTrackRECT(int ch) const
{
    const float gap = 3.0f;
    if (mDirection == EDirection::Vertical)
    {
        const float w = (mTracks.W() - gap * (mNTracks - 1)) / mNTracks;
        return IRECT(mTracks.L + ch * (w + gap), mTracks.T, mTracks.L + ch * (w + gap) + w, mTracks.B);
    }
    const float h = (mTracks.H() - gap * (mNTracks - 1)) / mNTracks;
    return IRECT(mTracks.L, mTracks.T + ch * (h + gap), mTracks.R, mTracks.T + ch * (h + gap) + h);
}

double IVPeakAvgMeterControl::LevelToFraction(double linear) const
{
    if (mLogResponse)
        return (AmpToDb(linear, mLowDb) - mLowDb) / (mHighDb - mLowDb);
    const double lo = std::pow(10.0, mLowDb / 20.0), hi = std::pow(10.0, mHighDb / 20.0);
    return std::clamp((linear - lo) / (hi - lo), 0.0, 1.0);
}

bool IVPeakAvgMeterControl::IsDirty()
{
    // The held peak mark falls after its hold time, counted in frames (the window's clock).
    bool falling = false;
    for (int c = 0; c < mNTracks; ++c)
        if (mHeld[c] > mPeak[c])
        {
            if (mHoldLeft[c] > 0)
                --mHoldLeft[c];
            else
            {
                const double was = shownFraction(mHeld[c]);
                mHeld[c] = std::max(mPeak[c], mHeld[c] * 0.9f);
                // Below the range it shows no more: it has fallen.
                if (shownFraction(mHeld[c]) <= 0.0)
                    mHeld[c] = mPeak[c];
                falling = falling || shownFraction(mHeld[c]) != was;
            }
        }
    return IControl::IsDirty() || mNewData || falling;
}

double IVPeakAvgMeterControl::shownFraction(float linear) const
{
    return std::clamp(LevelToFraction(linear), 0.0, 1.0);
}

void IVPeakAvgMeterControl::OnMsgFromDelegate(int msgTag, int dataSize, const void* pData)
{
    if (msgTag != 0 || pData == nullptr || dataSize < static_cast<int>(sizeof(iplug::PeakAvgRecord)))
        return;
    iplug::PeakAvgRecord rec;
    std::memcpy(&rec, pData, sizeof rec);
    auto shown = [this](int ch) {
        return std::array{shownFraction(mPeak[ch]), shownFraction(mAvg[ch]), shownFraction(mHeld[ch])};
    };
    for (int ch = 0; ch < kMaxChannels; ++ch)
    {
        const auto before = shown(ch);
        const long long c = ch - static_cast<long long>(rec.chanOffset);
        if (c >= 0 && c < std::min(rec.nChans, 2))
        {
            mPeak[ch] = std::isfinite(rec.vals[c].peak) ? std::max(0.0f, rec.vals[c].peak) : 0.0f;
            mAvg[ch] = std::isfinite(rec.vals[c].avg) ? std::max(0.0f, rec.vals[c].avg) : 0.0f;
            if (mPeak[ch] >= mHeld[ch])
            {
                mHeld[ch] = mPeak[ch];
                mHoldLeft[ch] = mHoldFrames;
            }
        }
        else if (rec.chanOffset == 0) // a record from the first channel on carries all there are
            mPeak[ch] = mAvg[ch] = mHeld[ch] = 0.0f;
        mNewData = mNewData || shown(ch) != before;
    }
}

IRECT IVPeakAvgMeterControl::span(const IRECT& t, double f0, double f1) const
{
    const float a = static_cast<float>(std::clamp(f0, 0.0, 1.0)),
                b = static_cast<float>(std::clamp(f1, 0.0, 1.0));
    return mDirection == EDirection::Vertical ? IRECT(t.L, t.B - b * t.H(), t.R, t.B - a * t.H())
                                              : IRECT(t.L + a * t.W(), t.T, t.L + b * t.W(), t.B);
}

void IVPeakAvgMeterControl::drawStatic(IGraphics& g) const
{
    const IRECT& r = GetRECT();
    g.FillRoundRect(GetColor(kBG), r, GetRoundedCornerRadius(r), &mBlend);
    DrawLabel(g);
    const IText small = mStyle.labelText.WithSize(9.0f).WithFGColor(mStyle.labelText.fgColor.WithAlpha(190));
    const bool vertical = mDirection == EDirection::Vertical;
    for (int c = 0; c < mNTracks && c < static_cast<int>(mTrackNames.size()); ++c)
    {
        const IRECT t = GetTrackRECT(c);
        const IRECT name =
            vertical ? IRECT(t.L, mNames.T, t.R, mNames.B) : IRECT(mNames.L, t.T, mNames.R, t.B);
        g.DrawText(small, mTrackNames[static_cast<std::size_t>(c)].c_str(), name);
    }
    float lastLabelEnd = -1e9f; // a label that would overlap the previous one is skipped
    for (int mark : mMarks)
    {
        const double f = LevelToFraction(std::pow(10.0, mark / 20.0));
        const IRECT line = span(mTracks, f, f);
        char text[32];
        std::snprintf(text, sizeof text, mMarkFormat.c_str(), mark);
        if (!vertical)
            g.DrawText(small, text, IRECT(line.L - 15.0f, mMarkLabels.T, line.L + 15.0f, mMarkLabels.B));
        else if (line.T - 5.0f >= lastLabelEnd)
        {
            g.DrawText(small.WithAlign(EAlign::Far), text,
                       IRECT(mMarkLabels.L, line.T - 5.0f, mMarkLabels.R, line.T + 5.0f));
            lastLabelEnd = line.T + 5.0f;
        }
    }
}

void IVPeakAvgMeterControl::Draw(IGraphics& g)
{
    // The texts lie beside the tracks and the mark lines, never under them: kept in a layer, they
    // are painted before the moving parts as they were drawn before them. Off whole pixels the
    // layer's rounded edges would differ: drawn directly there.
    const IColor& bg = GetColor(kBG);
    const IText& label = mStyle.labelText;
    const double key[] = {PackedColor(bg),
                          PackedColor(label.fgColor),
                          label.size,
                          mBlend.weight,
                          static_cast<double>(mBlend.method),
                          static_cast<double>(std::hash<std::string>{}(mLabelStr))};
    if (OnWholePixels(GetRECT(), g.GetDrawScale()))
        mStaticLayer.Paint(g, GetRECT(), key, [&] { drawStatic(g); });
    else
        drawStatic(g);

    const IColor ink = mStyle.labelText.fgColor;
    for (int c = 0; c < mNTracks; ++c)
    {
        const IRECT t = GetTrackRECT(c);
        g.FillRect(IColor(255, 0, 0, 0).WithAlpha(70), t);
        const double avg = LevelToFraction(mAvg[c]);
        if (mNSegments > 0)
        {
            for (int s = 0; s < mNSegments; ++s)
            {
                const double f0 = static_cast<double>(s) / mNSegments,
                             f1 = static_cast<double>(s + 1) / mNSegments;
                if (f0 >= avg)
                    break;
                const IRECT seg = span(t, f0, f1);
                g.FillRect(GetColor(kFG), mDirection == EDirection::Vertical
                                              ? seg.GetPadded(0, -0.5f, 0, -0.5f)
                                              : seg.GetPadded(-0.5f, 0, -0.5f, 0));
            }
        }
        else
            g.FillRect(GetColor(kFG), span(t, 0.0, avg));
        const double peak = LevelToFraction(mPeak[c]);
        if (peak > 0.0)
            g.FillRect(ink.WithAlpha(200), span(t, peak - 0.012, peak));
        const double held = LevelToFraction(mHeld[c]);
        if (held > 0.0)
            g.FillRect(GetColor(kHL), span(t, held - 0.02, held));
    }
    for (int mark : mMarks)
    {
        const double f = LevelToFraction(std::pow(10.0, mark / 20.0));
        const IRECT line = span(mTracks, f, f);
        if (mDirection == EDirection::Vertical)
            g.DrawLine(ink.WithAlpha(90), mTracks.L, line.T, mMarkLabels.L, line.T);
        else
            g.DrawLine(ink.WithAlpha(90), line.L, mTracks.T, line.L, mMarkLabels.T);
    }
    mNewData = false;
}

} // namespace igraphics
