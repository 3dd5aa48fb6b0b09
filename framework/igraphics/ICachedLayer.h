// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IGraphicsStructs.h"

#include <span>
#include <vector>

typedef struct _cairo_pattern cairo_pattern_t;

namespace igraphics
{

class IGraphics;

// Whether r's edges fall on whole pixels at the scale: a layer painted there gives exactly the
// pixels drawing r directly gives (elsewhere its antialiased edges are blended twice).
bool OnWholePixels(const IRECT& r, float scale);

// A colour as one number of a layer's key.
inline double PackedColor(const IColor& c)
{
    return static_cast<double>((static_cast<unsigned>(c.A) << 24 | c.R << 16 | c.G << 8 | c.B) & 0xFFFFFFFFu);
}

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
    // opaque: draw covers every pixel of r with opaque colour; where r falls on whole pixels the
    // layer then keeps no alpha and is copied rather than blended.
    template <class DrawFn>
    void Paint(IGraphics& g, const IRECT& r, std::span<const double> key, DrawFn&& draw, bool opaque = false)
    {
        if (stale(g, r, key, opaque))
        {
            beginRecording(g, r, opaque);
            draw();
            endRecording(g, r, key);
        }
        paintRecorded(g);
    }

    // How often the layer was drawn anew.
    long Redraws() const { return mRedraws; }

private:
    bool stale(const IGraphics& g, const IRECT& r, std::span<const double> key, bool opaque) const;
    void beginRecording(IGraphics& g, const IRECT& r, bool opaque);
    void endRecording(IGraphics& g, const IRECT& r, std::span<const double> key);
    void paintRecorded(IGraphics& g) const;

    cairo_pattern_t* mPattern = nullptr;
    std::vector<double> mKey;
    IRECT mRect;
    float mScale = 0.0f;
    bool mOpaque = false;
    long mRedraws = 0;
};

} // namespace igraphics
