// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IGraphicsStructs.h"

#include <span>
#include <vector>

typedef struct _cairo_pattern cairo_pattern_t;

namespace igraphics
{

class IGraphics;

// Part of a control's drawing kept in window pixels and painted every frame, drawn again only when
// what it shows changes: its key (the values it is drawn from), its rectangle or the window scale.
// A graph keeps its background, grid and labels (and curves that follow parameters) in one, so a
// frame whose only news is live data costs one composite for them.
//
// Threads: UI thread, inside a control's Draw. Allocates (a pixel buffer) only when it redraws.
class ICachedLayer
{
public:
    ICachedLayer() = default;
    ~ICachedLayer();
    ICachedLayer(const ICachedLayer&) = delete;
    ICachedLayer& operator=(const ICachedLayer&) = delete;

    // Paints the layer over r, after running draw() into it when it is stale. draw uses g's calls
    // as a control's Draw does; it draws the whole of r, whatever part of it the frame redraws.
    template <class DrawFn>
    void Paint(IGraphics& g, const IRECT& r, std::span<const double> key, DrawFn&& draw)
    {
        if (stale(g, r, key))
        {
            beginRecording(g, r);
            draw();
            endRecording(g, r, key);
        }
        paintRecorded(g);
    }

    // How often the layer was drawn anew.
    long Redraws() const { return mRedraws; }

private:
    bool stale(const IGraphics& g, const IRECT& r, std::span<const double> key) const;
    void beginRecording(IGraphics& g, const IRECT& r);
    void endRecording(IGraphics& g, const IRECT& r, std::span<const double> key);
    void paintRecorded(IGraphics& g) const;

    cairo_pattern_t* mPattern = nullptr;
    std::vector<double> mKey;
    IRECT mRect;
    float mScale = 0.0f;
    long mRedraws = 0;
};

} // namespace igraphics
