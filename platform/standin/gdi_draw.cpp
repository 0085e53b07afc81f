// Lines, polylines and ellipses drawn into a surface's RGB565 pixels by the
// rasterizer, which follows GDI's pixel rules.
#include "platform/standin/logged_call.h"
#include "platform/standin/directdraw.h"
#include "platform/standin/gdi.h"

namespace zorbel::standin {

namespace {

Raster *RasterOf(DeviceContext &dc)
{
    if (dc.surface == nullptr || dc.surface->Buffer() == nullptr)
        return nullptr;
    return dc.surface->Buffer()->Drawing();
}

BOOL LineToNow(HDC handle, int x, int y)
{
    DeviceContext *dc = FindDc(handle);
    Raster *raster = dc != nullptr ? RasterOf(*dc) : nullptr;
    if (raster == nullptr)
        return FALSE;
    const PenSpec pen = PenOf(dc->pen);
    if (!pen.none)
        raster->Line(dc->position.x, dc->position.y, x, y, pen.width, Rgb565Of(pen.colour));
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL PolylineNow(HDC handle, const POINT *points, int count)
{
    DeviceContext *dc = FindDc(handle);
    Raster *raster = dc != nullptr ? RasterOf(*dc) : nullptr;
    if (raster == nullptr || points == nullptr || count < 2)
        return FALSE;
    const PenSpec pen = PenOf(dc->pen);
    if (pen.none)
        return TRUE;
    // The points in the rasterizer's form, a few at a time on the stack.
    constexpr int kBatch = 64;
    RasterPoint batch[kBatch];
    for (int first = 0; first + 1 < count; first += kBatch - 1) {
        const int n = count - first < kBatch ? count - first : kBatch;
        for (int i = 0; i < n; ++i)
            batch[i] = RasterPoint{points[first + i].x, points[first + i].y};
        raster->Polyline(batch, n, pen.width, Rgb565Of(pen.colour));
    }
    return TRUE;
}

BOOL EllipseNow(HDC handle, int left, int top, int right, int bottom)
{
    DeviceContext *dc = FindDc(handle);
    Raster *raster = dc != nullptr ? RasterOf(*dc) : nullptr;
    if (raster == nullptr)
        return FALSE;
    const PenSpec pen = PenOf(dc->pen);
    const BrushSpec brush = BrushOf(dc->brush);
    raster->Ellipse(left, top, right, bottom, !pen.none, Rgb565Of(pen.colour), !brush.none,
                    Rgb565Of(brush.colour));
    return TRUE;
}

} // namespace

} // namespace zorbel::standin

using namespace zorbel::standin;

BOOL WINAPI MoveToEx(HDC dc, int x, int y, LPPOINT previous)
{
    return Logged(
        "MoveToEx",
        [&](LogLine &line) { line.Handle(dc).Int(x).Int(y).Word(previous != nullptr ? "ptr" : "null"); },
        [&]() -> BOOL {
            DeviceContext *context = FindDc(dc);
            if (context == nullptr)
                return FALSE;
            if (previous != nullptr)
                *previous = context->position;
            context->position = POINT{x, y};
            return TRUE;
        });
}

BOOL WINAPI LineTo(HDC dc, int x, int y)
{
    return Logged("LineTo", [&](LogLine &line) { line.Handle(dc).Int(x).Int(y); },
                  [&] { return LineToNow(dc, x, y); });
}

BOOL WINAPI Polyline(HDC dc, const POINT *points, int count)
{
    return Logged(
        "Polyline",
        [&](LogLine &line) {
            line.Handle(dc).Int(count);
            for (int i = 0; points != nullptr && i < count && i < 64; ++i)
                line.Point(points[i]);
        },
        [&] { return PolylineNow(dc, points, count); });
}

BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    return Logged("Ellipse", [&](LogLine &line) { line.Handle(dc).Int(left).Int(top).Int(right).Int(bottom); },
                  [&] { return EllipseNow(dc, left, top, right, bottom); });
}
