#include "scene/paint.h"

namespace {

void EllipseIn(HDC dc, const RECT &r) { (void)Ellipse(dc, r.left, r.top, r.right, r.bottom); }

} // namespace

void PaintFrame(HDC dc, const BandLayout &band, BOOL engaged, const PaintTools &tools)
{
    const HGDIOBJ oldBrush = SelectObject(dc, tools.BallBrush);
    const HGDIOBJ oldPen = SelectObject(dc, tools.OutlinePen);
    // The band starts at the left tip, its first point in either form.
    (void)MoveToEx(dc, band.Points[0].x, band.Points[0].y, nullptr);
    if (band.BallVisible)
        EllipseIn(dc, band.Ball);

    (void)SelectObject(dc, tools.BandPen != nullptr ? tools.BandPen : tools.OutlinePen);
    if (engaged != 0)
        (void)Polyline(dc, band.Points, band.PointCount);
    else
        (void)LineTo(dc, band.Points[1].x, band.Points[1].y);

    // The tips go on top of both ends of the band.
    (void)SelectObject(dc, tools.OutlinePen);
    EllipseIn(dc, band.Tips[0]);
    EllipseIn(dc, band.Tips[1]);

    (void)SelectObject(dc, oldBrush);
    (void)SelectObject(dc, oldPen);
}
