// SPDX-License-Identifier: GPL-3.0-or-later
// A level meter for the records an IPeakAvgSender delivers (message 0, iplug::PeakAvgRecord): one
// track per channel with the average level as a bar (in segments when nSegments > 0), the peak as a
// line, and a held peak mark that stays for holdFrames frames before it falls; marks with labels
// at given levels. Levels are in dB over [lowDb, highDb] (logarithmic response) or linear in
// amplitude over the same range.
#pragma once

#include "ICachedLayer.h"
#include "IControls.h"
#include "Mappings.h"

#include <string>
#include <vector>

namespace igraphics
{

class IVPeakAvgMeterControl : public IControl, public IVectorBase
{
public:
    static constexpr int kMaxChannels = 2;

    IVPeakAvgMeterControl(const IRECT& bounds, const char* label = "", const IVStyle& style = {},
                          EDirection direction = EDirection::Vertical,
                          std::vector<std::string> trackNames = {"L", "R"}, int nSegments = 0,
                          bool logResponse = true, float lowDb = -60.0f, float highDb = 12.0f,
                          std::vector<int> marks = {0, -6, -12, -24, -48},
                          const char* markLabelFormat = "%i dB", int holdFrames = 60);

    void Draw(IGraphics& g) override;
    void OnResize() override;
    // Dirty once per frame at most, when a record moved what the tracks show or a held peak is
    // falling; a meter resting at the bottom of its range is not redrawn. A record from the first
    // channel on carries every channel there is: the tracks of the others go dark.
    bool IsDirty() override;
    void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) override;

    // Levels held for drawing (linear).
    float GetPeak(int ch) const { return ch >= 0 && ch < kMaxChannels ? mPeak[ch] : 0.0f; }
    float GetAvg(int ch) const { return ch >= 0 && ch < kMaxChannels ? mAvg[ch] : 0.0f; }
    float GetHeldPeak(int ch) const { return ch >= 0 && ch < kMaxChannels ? mHeld[ch] : 0.0f; }
    // The track rectangles (logical units) and the position of a level along them: 0 at the
    // low end of the range, 1 at the high end.
    IRECT GetTrackRECT(int ch) const;
    double LevelToFraction(double linear) const;

private:
    double shownFraction(float linear) const;                   // LevelToFraction within 0 .. 1
    IRECT span(const IRECT& track, double f0, double f1) const; // fractions along a track, from its low end
    void drawStatic(IGraphics& g) const;
    ICachedLayer mStaticLayer; // background, title, track names, mark labels
    EDirection mDirection;
    std::vector<std::string> mTrackNames;
    int mNSegments;
    bool mLogResponse;
    float mLowDb, mHighDb;
    std::vector<int> mMarks;
    std::string mMarkFormat;
    int mHoldFrames;
    int mNTracks;
    float mPeak[kMaxChannels] = {}, mAvg[kMaxChannels] = {}, mHeld[kMaxChannels] = {};
    int mHoldLeft[kMaxChannels] = {};
    bool mNewData = false;
    IRECT mTracks, mNames, mMarkLabels;
};

} // namespace igraphics
