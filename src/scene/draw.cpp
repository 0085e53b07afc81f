// Drawing one frame of the scene into the back buffer.
#include "app/app_state.h"
#include "display/display.h"
#include "scene/launcher.h"

namespace {

void EllipseIn(HDC dc, const RECT &r) { (void)Ellipse(dc, r.left, r.top, r.right, r.bottom); }

} // namespace

void Launcher::Draw()
{
    IDirectDrawSurface4 *const back = App.BackBuffer;
    ClearSurface(back);
    const BandLayout band = LayOutBand();
    const HPEN bandPen = CreatePen(PS_SOLID, band.PenWidth, band.Colour);

    HDC dc = nullptr;
    if (back != nullptr && back->GetDC(&dc) == DD_OK) {
        const HGDIOBJ oldBrush = SelectObject(dc, App.BallBrush);
        const HGDIOBJ oldPen = SelectObject(dc, App.OutlinePen);
        (void)MoveToEx(dc, LeftTip.x, LeftTip.y, nullptr);
        if (band.BallVisible)
            EllipseIn(dc, band.Ball);

        // Without a band pen the band is drawn with the outline pen.
        (void)SelectObject(dc, bandPen != nullptr ? bandPen : App.OutlinePen);
        if (Engaged != 0)
            (void)Polyline(dc, band.Points, band.PointCount);
        else
            (void)LineTo(dc, RightTip.x, RightTip.y);

        // The tips go on top of both ends of the band.
        (void)SelectObject(dc, App.OutlinePen);
        EllipseIn(dc, band.Tips[0]);
        EllipseIn(dc, band.Tips[1]);

        (void)SelectObject(dc, oldBrush);
        (void)SelectObject(dc, oldPen);
        (void)back->ReleaseDC(dc);
    }
    if (bandPen != nullptr)
        (void)DeleteObject(bandPen);
}
