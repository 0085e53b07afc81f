// GDI: pens, brushes, stock objects, selection and deletion, from a fixed
// pool so that creating and deleting a pen every frame allocates nothing; and
// lines, polylines and ellipses drawn into a surface's RGB565 pixels by the
// rasterizer, which follows GDI's pixel rules.
#include "platform/standin/logged_call.h"

#include "common/rgb565.h"
#include "platform/standin/directdraw.h"
#include "platform/standin/gdi.h"
#include "platform/standin/wingdi.h"

namespace zorbel::standin {

namespace {

constexpr int kStockCount = 9;
constexpr int kPenNull = 5;

struct StockObject {
    HandleKind kind;
    bool none;
    COLORREF colour;
};

const StockObject kStock[kStockCount] = {
    {HandleKind::Brush, false, 0x00FFFFFF}, // WHITE_BRUSH
    {HandleKind::Brush, false, 0x00C0C0C0}, // LTGRAY_BRUSH
    {HandleKind::Brush, false, 0x00808080}, // GRAY_BRUSH
    {HandleKind::Brush, false, 0x00404040}, // DKGRAY_BRUSH
    {HandleKind::Brush, false, 0x00000000}, // BLACK_BRUSH
    {HandleKind::Brush, true, 0},           // NULL_BRUSH
    {HandleKind::Pen, false, 0x00FFFFFF},   // WHITE_PEN
    {HandleKind::Pen, false, 0x00000000},   // BLACK_PEN
    {HandleKind::Pen, true, 0},             // NULL_PEN
};

const StockObject *FindStock(HGDIOBJ object)
{
    const HandleFields parts = UnpackHandle(object);
    if (parts.kind != HandleKind::Stock || parts.slot >= kStockCount || parts.generation != 0)
        return nullptr;
    return &kStock[parts.slot];
}

HGDIOBJ StockHandle(int index) { return MakeHandle<HGDIOBJ>(HandleKind::Stock, index, 0); }

// The kind of a pen or brush handle, stock or not; None for anything else.
HandleKind KindOf(HGDIOBJ object)
{
    if (const StockObject *stock = FindStock(object))
        return stock->kind;
    if (const GdiObject *pooled = FindGdiObject(object))
        return pooled->kind;
    return HandleKind::None;
}

HGDIOBJ NewObject(HandleKind kind, int style, int width, COLORREF colour)
{
    Platform &platform = State();
    GdiObject *slot = TakeSlot(platform.gdi);
    if (slot == nullptr)
        return nullptr; // the pool is exhausted, as GDI's handle table can be
    slot->serial = kind == HandleKind::Pen ? ++platform.penSerial : ++platform.brushSerial;
    slot->kind = kind;
    slot->style = style;
    slot->width = width;
    slot->colour = colour;
    return HandleOfSlot<HGDIOBJ>(platform.gdi, *slot, kind);
}

void Free(GdiObject &object) { object.used = false; }

void NoteSelected(HGDIOBJ object)
{
    if (GdiObject *pooled = FindGdiObject(object))
        ++pooled->selections;
}

void NoteDeselected(HGDIOBJ object)
{
    GdiObject *pooled = FindGdiObject(object);
    if (pooled == nullptr)
        return;
    --pooled->selections;
    if (pooled->selections == 0 && pooled->deletePending)
        Free(*pooled);
}

struct PenLook {
    bool none = false;
    int width = 1;
    COLORREF colour = 0;
};

struct BrushLook {
    bool none = false;
    COLORREF colour = 0;
};

PenLook PenOf(HGDIOBJ pen)
{
    if (const StockObject *stock = FindStock(pen))
        return PenLook{stock->none, 1, stock->colour};
    if (const GdiObject *pooled = FindGdiObject(pen))
        return PenLook{pooled->style == kPenNull, pooled->width, pooled->colour};
    return PenLook{true, 1, 0};
}

BrushLook BrushOf(HGDIOBJ brush)
{
    if (const StockObject *stock = FindStock(brush))
        return BrushLook{stock->none, stock->colour};
    if (const GdiObject *pooled = FindGdiObject(brush))
        return BrushLook{false, pooled->colour};
    return BrushLook{true, 0};
}

// The rasterizer drawing into the surface of a device context, which it
// finds; null when the handle names none.
Raster *RasterOf(HDC handle, DeviceContext **dc)
{
    *dc = FindDc(handle);
    if (*dc == nullptr || (*dc)->surface == nullptr || (*dc)->surface->Buffer() == nullptr)
        return nullptr;
    return (*dc)->surface->Buffer()->Drawing();
}

} // namespace

HDC OpenDc(SurfaceObject &surface)
{
    Platform &platform = State();
    DeviceContext *dc = TakeSlot(platform.dcs);
    if (dc == nullptr)
        return nullptr;
    dc->surface = &surface;
    dc->pen = StockHandle(BLACK_PEN);
    dc->brush = StockHandle(WHITE_BRUSH);
    return HandleOfSlot<HDC>(platform.dcs, *dc, HandleKind::Dc);
}

void CloseDc(HDC handle)
{
    DeviceContext *dc = FindDc(handle);
    if (dc == nullptr)
        return;
    const HGDIOBJ pen = dc->pen;
    const HGDIOBJ brush = dc->brush;
    dc->used = false;
    NoteDeselected(pen);
    NoteDeselected(brush);
}

std::uint16_t Rgb565Of(COLORREF colour) { return Rgb565(colour); }

} // namespace zorbel::standin

using namespace zorbel::standin;

HGDIOBJ WINAPI GetStockObject(int object)
{
    return Logged(
        "GetStockObject", [&](LogLine &line) { line.Int(object); },
        [&] { return object >= 0 && object < kStockCount ? StockHandle(object) : nullptr; });
}

HPEN WINAPI CreatePen(int style, int width, COLORREF colour)
{
    // Solid and null pens: what the programs here draw with. Other styles are
    // refused rather than drawn as something they are not.
    return static_cast<HPEN>(Logged(
        "CreatePen", [&](LogLine &line) { line.Int(style).Int(width).Colour(colour); },
        [&] {
            return style == PS_SOLID || style == kPenNull
                       ? NewObject(HandleKind::Pen, style, width < 1 ? 1 : width, colour & 0xFFFFFF)
                       : nullptr;
        }));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF colour)
{
    return static_cast<HBRUSH>(Logged(
        "CreateSolidBrush", [&](LogLine &line) { line.Colour(colour); },
        [&] { return NewObject(HandleKind::Brush, 0, 0, colour & 0xFFFFFF); }));
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object)
{
    return Logged(
        "SelectObject", [&](LogLine &line) { line.Handle(dc).Handle(object); },
        [&]() -> HGDIOBJ {
            DeviceContext *context = FindDc(dc);
            const HandleKind kind = KindOf(object);
            if (context == nullptr || kind == HandleKind::None)
                return nullptr;
            if (GdiObject *pooled = FindGdiObject(object);
                pooled != nullptr && pooled->deletePending)
                return nullptr;
            HGDIOBJ &slot = kind == HandleKind::Pen ? context->pen : context->brush;
            const HGDIOBJ previous = slot;
            slot = object;
            NoteSelected(object);
            NoteDeselected(previous);
            return previous;
        });
}

BOOL WINAPI DeleteObject(HGDIOBJ object)
{
    return Logged(
        "DeleteObject", [&](LogLine &line) { line.Handle(object); },
        [&]() -> BOOL {
            if (FindStock(object) != nullptr)
                return TRUE; // stock objects are never deleted; asking is harmless
            GdiObject *pooled = FindGdiObject(object);
            if (pooled == nullptr || pooled->deletePending)
                return FALSE;
            // Still selected into a device context: deleted once deselected, so the
            // context never draws with a freed object and nothing leaks.
            if (pooled->selections > 0)
                pooled->deletePending = true;
            else
                Free(*pooled);
            return TRUE;
        });
}

BOOL WINAPI MoveToEx(HDC dc, int x, int y, LPPOINT previous)
{
    return Logged(
        "MoveToEx",
        [&](LogLine &line) {
            line.Handle(dc).Int(x).Int(y).Word(previous != nullptr ? "ptr" : "null");
        },
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
    return Logged(
        "LineTo", [&](LogLine &line) { line.Handle(dc).Int(x).Int(y); },
        [&]() -> BOOL {
            DeviceContext *context = nullptr;
            Raster *raster = RasterOf(dc, &context);
            if (raster == nullptr)
                return FALSE;
            const PenLook pen = PenOf(context->pen);
            if (!pen.none)
                raster->Line(context->position.x, context->position.y, x, y, pen.width,
                             Rgb565Of(pen.colour));
            context->position = POINT{x, y};
            return TRUE;
        });
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
        [&]() -> BOOL {
            DeviceContext *context = nullptr;
            Raster *raster = RasterOf(dc, &context);
            if (raster == nullptr || points == nullptr || count < 2)
                return FALSE;
            const PenLook pen = PenOf(context->pen);
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
        });
}

BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    return Logged(
        "Ellipse",
        [&](LogLine &line) { line.Handle(dc).Int(left).Int(top).Int(right).Int(bottom); },
        [&]() -> BOOL {
            DeviceContext *context = nullptr;
            Raster *raster = RasterOf(dc, &context);
            if (raster == nullptr)
                return FALSE;
            const PenLook pen = PenOf(context->pen);
            const BrushLook brush = BrushOf(context->brush);
            raster->Ellipse(left, top, right, bottom, !pen.none, Rgb565Of(pen.colour), !brush.none,
                            Rgb565Of(brush.colour));
            return TRUE;
        });
}
