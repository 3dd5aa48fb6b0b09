// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

namespace igraphics
{

// An XImage over a flushed ARGB32 image surface's pixels, which are what a 24-bit TrueColor ZPixmap
// with 32 bits per pixel expects. The image only borrows them: release it with
// DestroyBorrowedImage. nullptr when Xlib cannot make one.
inline XImage* BorrowImageOf(Display* display, Visual* visual, cairo_surface_t* surface)
{
    cairo_surface_flush(surface);
    XImage* img = XCreateImage(display, visual, 24, ZPixmap, 0,
                               reinterpret_cast<char*>(cairo_image_surface_get_data(surface)),
                               static_cast<unsigned>(cairo_image_surface_get_width(surface)),
                               static_cast<unsigned>(cairo_image_surface_get_height(surface)), 32,
                               cairo_image_surface_get_stride(surface));
    if (img != nullptr)
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        img->byte_order = LSBFirst;
#else
        img->byte_order = MSBFirst;
#endif
    return img;
}

inline void DestroyBorrowedImage(XImage* img)
{
    img->data = nullptr; // the surface's
    XDestroyImage(img);
}

} // namespace igraphics
