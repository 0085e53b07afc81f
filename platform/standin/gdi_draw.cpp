// Lines, polylines and ellipses drawn with cairo into a surface's RGB565
// pixels, aliased, with GDI's pixel conventions.
#include "platform/standin/logged_call.h"
#include "platform/standin/directdraw.h"
#include "platform/standin/gdi.h"

#include <algorithm>

namespace zorbel::standin {

namespace {

// cairo's fixed-point coordinates overflow far beyond any screen; clamping
// keeps absurd input from wrapping around onto the surface.
constexpr int kCoordinateLimit = 1 << 20;

double Coordinate(int value)
{
    return static_cast<double>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

// GDI lines run through pixel centres.
double Centre(int value) { return Coordinate(value) + 0.5; }

cairo_t *ContextOf(DeviceContext &dc)
{
    if (dc.surface == nullptr || dc.surface->Buffer() == nullptr)
        return nullptr;
    return dc.surface->Buffer()->Context();
}

// One-pixel pens end without caps, so a line leaves out its last pixel as
// GDI's do; wider pens have round ends and joins.
bool PreparePen(cairo_t *context, HGDIOBJ pen)
{
    const PenSpec penStyle = PenOf(pen);
    if (penStyle.none)
        return false;
    SetSourceColour(context, penStyle.colour);
    const bool thin = penStyle.width <= 1;
    cairo_set_line_width(context, thin ? 1.0 : static_cast<double>(penStyle.width));
    cairo_set_line_cap(context, thin ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(context, thin ? CAIRO_LINE_JOIN_MITER : CAIRO_LINE_JOIN_ROUND);
    return true;
}

BOOL StrokePath(DeviceContext &dc)
{
    cairo_t *context = ContextOf(dc);
    if (PreparePen(context, dc.pen))
        cairo_stroke(context);
    else
        cairo_new_path(context);
    return TRUE;
}

BOOL LineToNow(HDC handle, int x, int y)
{
    DeviceContext *dc = FindDc(handle);
    if (dc == nullptr || ContextOf(*dc) == nullptr)
        return FALSE;
    cairo_t *context = ContextOf(*dc);
    cairo_new_path(context);
    cairo_move_to(context, Centre(dc->position.x), Centre(dc->position.y));
    cairo_line_to(context, Centre(x), Centre(y));
    dc->position = POINT{x, y};
    return StrokePath(*dc);
}

BOOL PolylineNow(HDC handle, const POINT *points, int count)
{
    DeviceContext *dc = FindDc(handle);
    if (dc == nullptr || ContextOf(*dc) == nullptr || points == nullptr || count < 2)
        return FALSE;
    cairo_t *context = ContextOf(*dc);
    cairo_new_path(context);
    cairo_move_to(context, Centre(points[0].x), Centre(points[0].y));
    for (int i = 1; i < count; ++i)
        cairo_line_to(context, Centre(points[i].x), Centre(points[i].y));
    return StrokePath(*dc);
}

// Four Bezier quarters; off the true ellipse by under 0.03 % of the radius.
void EllipsePath(cairo_t *context, double cx, double cy, double rx, double ry)
{
    constexpr double k = 0.5522847498307936;
    cairo_new_path(context);
    cairo_move_to(context, cx + rx, cy);
    cairo_curve_to(context, cx + rx, cy + k * ry, cx + k * rx, cy + ry, cx, cy + ry);
    cairo_curve_to(context, cx - k * rx, cy + ry, cx - rx, cy + k * ry, cx - rx, cy);
    cairo_curve_to(context, cx - rx, cy - k * ry, cx - k * rx, cy - ry, cx, cy - ry);
    cairo_curve_to(context, cx + k * rx, cy - ry, cx + rx, cy - k * ry, cx + rx, cy);
    cairo_close_path(context);
}

BOOL EllipseNow(HDC handle, int left, int top, int right, int bottom)
{
    DeviceContext *dc = FindDc(handle);
    if (dc == nullptr || ContextOf(*dc) == nullptr)
        return FALSE;
    cairo_t *context = ContextOf(*dc);
    const double l = Coordinate(std::min(left, right));
    const double r = Coordinate(std::max(left, right));
    const double t = Coordinate(std::min(top, bottom));
    const double b = Coordinate(std::max(top, bottom));
    // The right and bottom edges are outside: the outline's pixel centres run
    // from l + 0.5 to r - 0.5.
    const double rx = (r - l - 1.0) / 2.0;
    const double ry = (b - t - 1.0) / 2.0;
    if (rx <= 0.0 || ry <= 0.0)
        return TRUE; // nothing inside a rectangle one pixel thin or less
    EllipsePath(context, (l + r) / 2.0, (t + b) / 2.0, rx, ry);
    if (const BrushSpec brush = BrushOf(dc->brush); !brush.none) {
        SetSourceColour(context, brush.colour);
        cairo_fill_preserve(context);
    }
    return StrokePath(*dc);
}

} // namespace

void SetSourceColour(cairo_t *context, COLORREF colour)
{
    // cairo turns a channel d into the 8-bit value trunc(d * 65535 + 0.5) >> 8
    // and the RGB565 pixel takes its top bits, so c / 255 gives back exactly c.
    cairo_set_source_rgb(context, static_cast<double>(colour & 0xFF) / 255.0,
                         static_cast<double>((colour >> 8) & 0xFF) / 255.0,
                         static_cast<double>((colour >> 16) & 0xFF) / 255.0);
}

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
