// SPDX-License-Identifier: GPL-3.0-or-later
// The spectrum analyzer: draws the spectra an ISpectrumSender delivers (message 0), smoothed with
// attack and decay times, over a frequency and level grid with its own axis labels. Any press opens
// its option menu ("Options": FFT Size, Channels, Freq Scaling, Overlap, Window); FFT size, overlap
// and window choices are also sent to the plug-in as messages 2, 3 and 4 (one 32-bit integer) with
// this control's tag, so the sender computes matching spectra. The plug-in keeps the analyzer in step
// with messages 1 (sample rate, double), 2 (FFT size), 3 (overlap) and 4 (window index).
#pragma once

#include "ICachedLayer.h"
#include "IControls.h"
#include "IPopupMenu.h"
#include "Mappings.h"

#include <array>
#include <vector>

namespace igraphics
{

class IVSpectrumAnalyzerControl : public IControl, public IVectorBase
{
public:
    enum EMsgTag
    {
        kMsgTagSpectrum = 0, // a SpectrumFrame record
        kMsgTagSampleRate = 1,
        kMsgTagFFTSize = 2,
        kMsgTagOverlap = 3,
        kMsgTagWindowType = 4
    };
    enum class EChannels
    {
        Left,
        Right,
        LeftAndRight
    };
    static constexpr int kMaxChannels = 2;
    // Menu order of the window types, as the sender numbers them.
    static constexpr const char* kWindowNames[] = {"Hann", "Blackman Harris", "Hamming", "Flattop",
                                                   "Rectangular"};
    static constexpr int kFFTSizes[] = {64, 128, 256, 512, 1024, 2048, 4096};
    static constexpr int kOverlaps[] = {1, 2, 4, 8};

    IVSpectrumAnalyzerControl(const IRECT& bounds, const char* label = "", const IVStyle& style = {},
                              const std::array<IColor, kMaxChannels>& channelColors = {COLOR_RED,
                                                                                       COLOR_GREEN},
                              bool logFrequency = true, float curveThickness = 2.0f,
                              float gridThickness = 1.0f, float fillOpacity = 0.25f,
                              float attackTimeMs = 3.0f, float decayTimeMs = 50.0f, float lowDb = -90.0f,
                              float highDb = 0.0f);

    void Draw(IGraphics& g) override;
    void OnResize() override;
    // Dirty once per frame at most, and only when a spectrum that changes the picture arrived since
    // the last one drawn: a spectrum resting below the plot's floor, or at its level, is no news.
    bool IsDirty() override;
    bool IsOpaque() const override;
    void OnMouseDown(float x, float y, const IMouseMod& mod) override;
    void OnMouseDblClick(float x, float y, const IMouseMod& mod) override { OnMouseDown(x, y, mod); }
    void OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx) override;
    void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) override;

    int GetFFTSize() const { return mFFTSize; }
    int GetOverlap() const { return mOverlap; }
    int GetWindowType() const { return mWindowType; }
    EChannels GetChannels() const { return mChannels; }
    bool GetLogFrequency() const { return mLogFrequency; }
    double GetSampleRate() const { return mSampleRate; }
    IPopupMenu& GetMenu() { return mMenu; }
    // The plot area and its axes (lowest frequency sr / 2 / FFT size, highest sr / 2), for
    // overlays that must line up with the analyzer.
    const IRECT& GetPlotRECT() const { return mPlot; }
    FreqAxis GetFreqAxis() const;
    DbAxis GetDbAxis() const;
    // Smoothed linear magnitude of a bin, as drawn.
    float GetSmoothedBin(int channel, int bin) const;

private:
    void drawAxes(IGraphics& g, const FreqAxis& fx, const DbAxis& dy);
    void drawSpectra(IGraphics& g, const FreqAxis& fx, const DbAxis& dy);
    void drawSpectrum(IGraphics& g, const FreqAxis& fx, const DbAxis& dy, int ch, const IColor& fill);
    void syncMenuChecks();
    void sendOption(int msgTag, int value);
    int shownFFTSize() const { return mDataFFTSize > 0 ? mDataFFTSize : mFFTSize; }

    std::array<IColor, kMaxChannels> mChannelColors;
    bool mLogFrequency;
    float mCurveThickness, mGridThickness, mFillOpacity, mAttackMs, mDecayMs, mLowDb, mHighDb;
    int mFFTSize = 1024, mOverlap = 1, mWindowType = 0;
    EChannels mChannels = EChannels::LeftAndRight;
    double mSampleRate = 44100.0; // until the plug-in says otherwise
    int mDataFFTSize = 0;         // FFT size of the spectra held
    bool mNewData = false;
    int mPresentChannels = kMaxChannels;                // in the last frame; the others are cleared
    std::array<std::vector<float>, kMaxChannels> mBins; // smoothed, linear
    std::vector<float> mX, mY;                          // drawing scratch, sized once
    IRECT mPlot;
    IPopupMenu mMenu{"Options"};
    ICachedLayer mAxesLayer; // background, grid, labels, title
};

} // namespace igraphics
