// Drawing one frame of the scene into the back buffer.
#include "app/app_state.h"
#include "display/display.h"
#include "scene/launcher.h"
#include "scene/paint.h"

void Launcher::Draw() { DrawLayout(LayOutBand()); }

void Launcher::DrawLayout(const BandLayout &band) const
{
    IDirectDrawSurface4 *const back = App.BackBuffer;
    ClearSurface(back);
    const HPEN bandPen = CreatePen(PS_SOLID, band.PenWidth, band.Colour);

    HDC dc = nullptr;
    if (back != nullptr && back->GetDC(&dc) == DD_OK) {
        PaintFrame(dc, band, Engaged != 0 ? TRUE : FALSE,
                   PaintTools{bandPen, App.OutlinePen, App.BallBrush});
        (void)back->ReleaseDC(dc);
    }
    if (bandPen != nullptr)
        (void)DeleteObject(bandPen);
}
