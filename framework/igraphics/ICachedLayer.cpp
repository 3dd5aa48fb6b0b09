// SPDX-License-Identifier: GPL-3.0-or-later
#include "ICachedLayer.h"

#include "IGraphics.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace igraphics
{

bool OnWholePixels(const IRECT& r, float scale)
{
    const auto whole = [scale](float v) { return v * scale == std::round(v * scale); };
    return whole(r.L) && whole(r.T) && whole(r.R) && whole(r.B);
}

ICachedLayer::~ICachedLayer()
{
    if (mPattern != nullptr)
        cairo_pattern_destroy(mPattern);
}

bool ICachedLayer::stale(const IGraphics& g, const IRECT& r, std::span<const double> key, bool opaque) const
{
    return mPattern == nullptr || g.GetDrawScale() != mScale || !(r == mRect) || opaque != mOpaque ||
           !std::equal(key.begin(), key.end(), mKey.begin(), mKey.end());
}

void ICachedLayer::beginRecording(IGraphics& g, const IRECT& r, bool opaque)
{
    mOpaque = opaque;
    // Opaque on whole pixels: no alpha to keep, and painting it is a copy.
    const bool colourOnly = opaque && OnWholePixels(r, g.GetDrawScale());
    // The whole rectangle, whatever part of it the current frame redraws: the recording is kept.
    cairo_t* cr = g.GetDrawContext();
    cairo_save(cr);
    cairo_reset_clip(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, r.L, r.T, r.W(), r.H());
    cairo_clip(cr);
    cairo_push_group_with_content(cr, colourOnly ? CAIRO_CONTENT_COLOR : CAIRO_CONTENT_COLOR_ALPHA);
}

void ICachedLayer::endRecording(IGraphics& g, const IRECT& r, std::span<const double> key)
{
    cairo_t* cr = g.GetDrawContext();
    if (mPattern != nullptr)
        cairo_pattern_destroy(mPattern);
    // The pattern stays locked to this user space (the window scale), which is part of the key.
    mPattern = cairo_pop_group(cr);
    cairo_restore(cr);
    mKey.assign(key.begin(), key.end());
    mRect = r;
    mScale = g.GetDrawScale();
    ++mRedraws;
}

void ICachedLayer::paintRecorded(IGraphics& g) const
{
    cairo_t* cr = g.GetDrawContext();
    cairo_save(cr);
    cairo_set_source(cr, mPattern);
    cairo_new_path(cr);
    cairo_rectangle(cr, mRect.L, mRect.T, mRect.W(), mRect.H());
    cairo_fill(cr);
    cairo_restore(cr);
}

} // namespace igraphics
