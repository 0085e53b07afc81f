// One frame of the program's kind: clear, the band as a thick wrapped
// polyline, the ball and two fork tips, flip, drain the queue.
#pragma once

#include "flip_chain.h"

namespace zorbel::test {

struct FrameTools {
    HBRUSH ball = nullptr;
    HPEN outline = nullptr;
};

inline FrameTools CreateFrameTools()
{
    return FrameTools{CreateSolidBrush(0x000000FF), CreatePen(PS_SOLID, 1, 0x00FFCC00)};
}

inline void DrawScene(IDirectDrawSurface4 *back, const FrameTools &tools, int frame)
{
    static const POINT band[7] = {{472, 384}, {492, 487}, {499, 499}, {512, 504},
                                  {524, 499}, {531, 487}, {552, 384}};
    (void)Clear(back);
    const HPEN bandPen = CreatePen(PS_SOLID, 3 + frame % 5, 0x00FF3100);
    HDC dc = nullptr;
    if (back->GetDC(&dc) == DD_OK) {
        const HGDIOBJ oldBrush = SelectObject(dc, tools.ball);
        const HGDIOBJ oldPen = SelectObject(dc, tools.outline);
        (void)MoveToEx(dc, band[0].x, band[0].y, nullptr);
        (void)Ellipse(dc, 492, 464, 532, 504);
        (void)SelectObject(dc, bandPen);
        (void)Polyline(dc, band, 7);
        (void)SelectObject(dc, tools.outline);
        (void)Ellipse(dc, 462, 374, 482, 394);
        (void)Ellipse(dc, 542, 374, 562, 394);
        (void)SelectObject(dc, oldBrush);
        (void)SelectObject(dc, oldPen);
        (void)back->ReleaseDC(dc);
    }
    (void)DeleteObject(bandPen);
}

inline void RunFrame(const FlipChain &chain, const FrameTools &tools, int frame)
{
    DrawScene(chain.back, tools, frame);
    while (chain.primary->Flip(nullptr, 0) == DDERR_WASSTILLDRAWING) {
    }
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0)
            break;
        (void)DispatchMessageA(&msg);
    }
}

} // namespace zorbel::test
