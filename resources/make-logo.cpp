// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the editor's logo, "pomelu-rec-logo.png": a record whose label is a pomelo slice, with a
// stem and leaf on top and a small red recording dot. 58 x 64 logical units, written at 3x so it
// stays crisp at every window scale (the editor scales it down). With SIZE, a square icon of SIZE x
// SIZE pixels: the logo centred in 64 x 64 units.
// Usage: pomelu-make-logo OUT.png [SIZE]
#include "IControl.h"
#include "IGraphics.h"
#include "Mappings.h"

#include "IPlugBase.h"

#include <cstdio>
#include <cstdlib>

namespace
{

using namespace igraphics;

class Logo : public IControl
{
public:
    explicit Logo(float left) : IControl(IRECT(left, 0, left + 58, 64)), cx(left + 29.0f) {}

    void Draw(IGraphics& g) override
    {
        const float cy = 37.0f;
        g.FillEllipse(IColor(40, 40, 20, 50), IRECT(cx - 22, 58, cx + 22, 63));

        // The record and its grooves.
        g.FillCircle(IColor(255, 52, 36, 66), cx, cy, 25.0f);
        for (float r : {22.5f, 20.0f, 17.5f})
            g.DrawCircle(IColor(70, 255, 230, 245), cx, cy, r, nullptr, 0.8f);
        g.DrawArc(IColor(120, 255, 255, 255), cx, cy, 21.0f, -60.0f, -20.0f, nullptr, 1.6f);

        // The label: a pomelo slice, rind, pith and eight segments.
        g.FillCircle(IColor(255, 214, 232, 120), cx, cy, 13.5f);
        g.FillCircle(IColor(255, 255, 250, 236), cx, cy, 11.8f);
        for (int i = 0; i < 8; ++i)
        {
            const float a = i * 45.0f;
            const IPoint p = PointOnCircle(cx, cy, 1.6f, a + 22.5f);
            g.PathClear();
            g.PathMoveTo(p.x, p.y);
            g.PathArc(p.x, p.y, 9.2f, a + 4.0f, a + 41.0f);
            g.PathClose();
            g.PathFill(IColor(255, 255, 112, 150));
        }
        g.FillCircle(IColor(255, 52, 36, 66), cx, cy, 1.4f);

        // Stem and leaf.
        g.DrawLine(IColor(255, 120, 80, 50), cx, 12.5f, cx + 1.5f, 6.0f, nullptr, 2.2f);
        g.PathClear();
        g.PathMoveTo(cx + 1.5f, 7.0f);
        g.PathCurveTo(cx + 6.0f, 0.5f, cx + 15.0f, 1.0f, cx + 18.0f, 4.5f);
        g.PathCurveTo(cx + 13.0f, 10.0f, cx + 5.0f, 10.5f, cx + 1.5f, 7.0f);
        g.PathClose();
        g.PathFill(IColor(255, 96, 186, 96));
        g.DrawLine(IColor(160, 40, 110, 50), cx + 3.0f, 6.8f, cx + 15.0f, 4.6f, nullptr, 0.8f);

        // The recording dot.
        g.FillCircle(IColor(255, 255, 255, 255), cx + 20.0f, 16.0f, 5.6f);
        g.FillCircle(IColor(255, 235, 40, 60), cx + 20.0f, 16.0f, 4.4f);
        g.FillCircle(IColor(160, 255, 255, 255), cx + 18.6f, 14.6f, 1.2f);
    }

private:
    float cx; // the record's centre
};

} // namespace

int main(int argc, char** argv)
{
    const int size = argc == 3 ? std::atoi(argv[2]) : 0;
    if (argc < 2 || argc > 3 || (argc == 3 && (size < 8 || size > 1024)))
    {
        std::fprintf(stderr, "usage: pomelu-make-logo OUT.png [SIZE from 8 to 1024]\n");
        return 2;
    }
    iplug::Config config;
    iplug::IPlugBase plug(config);
    IGraphics g(plug, size ? 64 : 58, 64, 60, size ? size / 64.0f : 3.0f);
    g.AttachControl(new Logo(size ? 3.0f : 0.0f));
    return g.WritePNG(argv[1]) ? 0 : 1;
}
