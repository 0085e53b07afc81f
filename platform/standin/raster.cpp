// GDI's pixel rules, as its drawing shows them on a 16-bit surface:
// - A thin line steps along its longer axis and, at each step, takes the
//   pixel nearest the ideal line, an exact half going to the smaller
//   coordinate. Its last pixel is left out.
// - A wide pen's segment is the parallelogram between the segment moved to
//   either side by whole-pixel offsets, filled with pixel centres on its left
//   and top edges in and those on its right and bottom edges out; every end
//   and join is a filled ellipse of the pen's width.
// - An ellipse's outline takes, in every column, the pixel nearest the ideal
//   curve, and in every row the same; exact halves go toward the centre. The
//   fill is what lies between the outline in each row. This gives GDI's
//   circles of every size; GDI's other ellipses come out shorter along their
//   long axis than this rule draws them, a shape the program never asks for.
#include "platform/standin/raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zorbel::standin {

namespace {

// Products of two coordinates or differences can need more than 64 bits;
// the common small ones are worked out in 64. Where long has 32 bits, a
// product of two fits in long long.
#ifdef __SIZEOF_INT128__
using Wide = __int128;
#else
using Wide = long long;
#endif
static_assert(sizeof(Wide) >= 2 * sizeof(long), "a product of two longs must fit");

template <class Int> long FloorDiv(Int a, Int b) // b > 0
{
    const Int q = a / b;
    return static_cast<long>((a % b != 0 && a < 0) ? q - 1 : q);
}

bool Small(long v) { return v > -(1L << 30) && v < (1L << 30); }

// ceil((a * b + c) / d) for d > 0.
long CeilOf(long a, long b, long c, long d)
{
    if (Small(a) && Small(b) && Small(c) && Small(d))
        return -FloorDiv<long long>(-(static_cast<long long>(a) * b + c), d);
    return -FloorDiv<Wide>(-(static_cast<Wide>(a) * b + c), d);
}

struct StepRange {
    long first;
    long last;
};

// Of the steps 0 .. count - 1 from `origin` by `step` (1 or -1), those that
// land in 0 .. extent - 1.
StepRange VisibleSteps(long origin, long step, long count, long extent)
{
    if (step > 0)
        return {std::max(0L, -origin), std::min(count - 1, extent - 1 - origin)};
    return {std::max(0L, origin - (extent - 1)), std::min(count - 1, origin)};
}

// The whole-pixel offset of one side of a wide segment from the ideal
// perpendicular (vx, vy) of half the pen's width.
void SideOffset(double vx, double vy, long &ox, long &oy)
{
    auto halfUp = [](double v) { return static_cast<long>(std::floor(v + 0.5)); };
    auto halfDown = [](double v) { return static_cast<long>(std::ceil(v - 0.5)); };
    constexpr double kZero = 1e-9;
    if (std::fabs(vx) < kZero || std::fabs(vy) < kZero) {
        ox = halfUp(vx);
        oy = halfUp(vy);
    } else if (vx > 0.0) {
        ox = static_cast<long>(std::floor(vx)) + 1;
        oy =
            vy > 0.0 ? static_cast<long>(std::floor(vy)) + 1 : static_cast<long>(std::ceil(vy)) - 1;
    } else {
        ox = halfDown(vx);
        oy = vy > 0.0 ? halfUp(vy) : halfDown(vy);
    }
}

// The nearest whole number; an exact half goes up when up is set.
long Nearest(double v, bool up)
{
    const double f = std::floor(v);
    const double d = v - f;
    if (d > 0.5 || (d == 0.5 && up))
        return static_cast<long>(f) + 1;
    return static_cast<long>(f);
}

// Ellipses up to this size across are kept as shapes, a handful of them.
constexpr long kShapeSide = 64;
constexpr std::size_t kShapes = 8;

} // namespace

Raster::Outline::Outline(int rows, int columns)
    : rowLeft(static_cast<std::size_t>(std::max(rows, 0))), rowRight(rowLeft.size()),
      rowPenLeft(rowLeft.size()), rowPenRight(rowLeft.size()),
      columnTop(static_cast<std::size_t>(std::max(columns, 0))), columnBottom(columnTop.size())
{
}

Raster::Raster(std::uint16_t *pixels, int width, int height, int stride, PaintRecord *record)
    : pixels_(pixels), width_(width), height_(height), stride_(stride), large_(height, width),
      shapes_(kShapes, Shape{0, 0, Outline(kShapeSide, kShapeSide)}), record_(record)
{
}

// The first word names the call (PaintRecord::kThinLine and the others).
Raster::Noting::Noting(Raster &r, std::initializer_list<long long> words)
    : raster(r), outermost(r.depth_++ == 0 && r.record_ != nullptr)
{
    if (outermost)
        raster.record_->Add(words);
}

void Raster::Put(long x, long y, std::uint16_t colour)
{
    if (x < 0 || x >= width_ || y < 0 || y >= height_)
        return;
    pixels_[y * stride_ + x] = colour;
    touched_ = Box{std::min(touched_.left, x), std::min(touched_.top, y),
                   std::max(touched_.right, x + 1), std::max(touched_.bottom, y + 1)};
}

inline void Raster::Span(long y, long left, long right, std::uint16_t colour)
{
    if (y < 0 || y >= height_)
        return;
    left = std::max(left, 0L);
    right = std::min(right, static_cast<long>(width_));
    if (left >= right)
        return;
    touched_ = Box{std::min(touched_.left, left), std::min(touched_.top, y),
                   std::max(touched_.right, right), std::max(touched_.bottom, y + 1)};
    // Four pixels a store: most spans are a few pixels of a pen's width.
    std::uint16_t *pixel = pixels_ + y * stride_ + left;
    std::uint16_t *const end = pixel + (right - left);
    const std::uint64_t four = colour * 0x0001000100010001ULL;
    for (; end - pixel >= 4; pixel += 4)
        std::memcpy(pixel, &four, sizeof four);
    if (end - pixel >= 2) {
        std::memcpy(pixel, &four, 4);
        pixel += 2;
    }
    if (pixel < end)
        *pixel = colour;
}

void Raster::ThinLine(long x0, long y0, long x1, long y1, std::uint16_t colour)
{
    const Noting noting(*this, {PaintRecord::kThinLine, x0, y0, x1, y1, colour});
    const long dx = x1 - x0;
    const long dy = y1 - y0;
    const long adx = dx < 0 ? -dx : dx;
    const long ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0)
        return;
    // The line steps along its longer axis, one pixel a step, leaving out
    // the last; only the steps whose major coordinate is on the surface.
    if (adx >= ady) {
        const long step = dx > 0 ? 1 : -1;
        const StepRange steps = VisibleSteps(x0, step, adx, width_);
        for (long i = steps.first; i <= steps.last; ++i)
            Put(x0 + step * i, y0 + CeilOf(2 * dy, i, -adx, 2 * adx), colour);
    } else {
        const long step = dy > 0 ? 1 : -1;
        const StepRange steps = VisibleSteps(y0, step, ady, height_);
        for (long i = steps.first; i <= steps.last; ++i)
            Put(x0 + CeilOf(2 * dx, i, -ady, 2 * ady), y0 + step * i, colour);
    }
}

void Raster::Dot(long x, long y, int width, std::uint16_t colour)
{
    const Noting noting(*this, {PaintRecord::kDot, x, y, width, colour});
    const long left = x - width / 2;
    const long top = y - width / 2;
    Ellipse(left, top, left + width, top + width, true, colour, true, colour);
}

void Raster::WideSegment(long x0, long y0, long x1, long y1, int width, std::uint16_t colour)
{
    const long dx = x1 - x0;
    const long dy = y1 - y0;
    if (dx == 0 && dy == 0)
        return;
    const double length = std::sqrt(static_cast<double>(dx) * static_cast<double>(dx) +
                                    static_cast<double>(dy) * static_cast<double>(dy));
    long ax = 0, ay = 0, bx = 0, by = 0;
    SideOffset(static_cast<double>(dy) / length * width / 2,
               static_cast<double>(-dx) / length * width / 2, ax, ay);
    SideOffset(static_cast<double>(-dy) / length * width / 2,
               static_cast<double>(dx) / length * width / 2, bx, by);
    const long corners[4][2] = {
        {x0 + ax, y0 + ay}, {x1 + ax, y1 + ay}, {x1 + bx, y1 + by}, {x0 + bx, y0 + by}};
    long top = corners[0][1];
    long bottom = corners[0][1];
    for (const auto &c : corners) {
        top = std::min(top, c[1]);
        bottom = std::max(bottom, c[1]);
    }
    top = std::max(top, 0L);
    bottom = std::min(bottom, static_cast<long>(height_));
    if (top >= bottom)
        return;
    // Each slanted or vertical edge steps down the rows keeping the first
    // pixel centre at or right of it exactly: x = x0 + ceil(dx * (y - y0) / dy),
    // as a quotient and a remainder in (-dy, 0].
    struct Edge {
        long first, end; // rows it spans
        long x, remainder, dy, whole, part;
    };
    Edge edges[4];
    int edgeCount = 0;
    for (int i = 0; i < 4; ++i) {
        long ex0 = corners[i][0], ey0 = corners[i][1];
        long ex1 = corners[(i + 1) % 4][0], ey1 = corners[(i + 1) % 4][1];
        if (ey0 == ey1)
            continue;
        if (ey0 > ey1) {
            std::swap(ex0, ex1);
            std::swap(ey0, ey1);
        }
        const long first = std::max(ey0, top);
        const long end = std::min(ey1, bottom);
        if (first >= end)
            continue;
        Edge &e = edges[edgeCount++];
        e.first = first;
        e.end = end;
        e.dy = ey1 - ey0;
        const long dx = ex1 - ex0;
        const long offset = CeilOf(dx, first - ey0, 0, e.dy);
        e.x = ex0 + offset;
        // dx * (first - ey0) - offset * dy, worked out without overflow.
        e.remainder = static_cast<long>(static_cast<Wide>(dx) * (first - ey0) -
                                        static_cast<Wide>(offset) * e.dy);
        e.whole = FloorDiv<long>(dx, e.dy);
        e.part = dx - e.whole * e.dy; // in [0, dy)
    }
    auto advance = [](Edge &e) {
        const long x = e.x;
        e.x += e.whole;
        e.remainder += e.part;
        if (e.remainder > 0) {
            ++e.x;
            e.remainder -= e.dy;
        }
        return x;
    };
    // The rows go in runs that the same edges cross. A parallelogram's
    // edges meet only at its corners, so a run has two edges, or four when
    // it is flat, and every row of it their crossings in pairs.
    for (long y = top; y < bottom;) {
        Edge *crossing[4];
        int count = 0;
        long runEnd = bottom;
        for (int i = 0; i < edgeCount; ++i) {
            Edge &e = edges[i];
            if (y >= e.end)
                continue;
            if (y < e.first) {
                runEnd = std::min(runEnd, e.first);
                continue;
            }
            crossing[count++] = &e;
            runEnd = std::min(runEnd, e.end);
        }
        if (count == 2) {
            // Stepped in copies, which stay in registers while pixels are
            // written.
            Edge first = *crossing[0], second = *crossing[1];
            for (; y < runEnd; ++y) {
                const long a = advance(first);
                const long b = advance(second);
                Span(y, std::min(a, b), std::max(a, b), colour);
            }
            *crossing[0] = first;
            *crossing[1] = second;
            continue;
        }
        for (; y < runEnd; ++y) {
            long x[4];
            // At most four crossings: sorted by insertion, in place.
            for (int i = 0; i < count; ++i) {
                const long xi = advance(*crossing[i]);
                int j = i;
                for (; j > 0 && x[j - 1] > xi; --j)
                    x[j] = x[j - 1];
                x[j] = xi;
            }
            for (int i = 0; i + 1 < count; i += 2)
                Span(y, x[i], x[i + 1], colour);
        }
    }
}

void Raster::Line(long x0, long y0, long x1, long y1, int width, std::uint16_t colour)
{
    const Noting noting(*this, {PaintRecord::kLine, x0, y0, x1, y1, width, colour});
    if (width <= 1) {
        ThinLine(x0, y0, x1, y1, colour);
        return;
    }
    const RasterPoint points[2] = {{x0, y0}, {x1, y1}};
    Polyline(points, 2, width, colour);
}

void Raster::Polyline(const RasterPoint *points, int count, int width, std::uint16_t colour)
{
    const Noting noting(*this, {PaintRecord::kPolyline, count, width, colour});
    for (int i = 0; noting.outermost && points != nullptr && i < count; ++i)
        record_->Add({points[i].x, points[i].y});
    if (points == nullptr || count < 2)
        return;
    if (width <= 1) {
        for (int i = 0; i + 1 < count; ++i)
            ThinLine(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, colour);
        return;
    }
    for (int i = 0; i + 1 < count; ++i)
        WideSegment(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, width, colour);
    for (int i = 0; i < count; ++i)
        Dot(points[i].x, points[i].y, width, colour);
}

void Raster::Trace(long left, long top, long right, long bottom, long rowFirst, long rowEnd,
                   long columnFirst, long columnEnd, Outline &outline)
{
    const double cx = static_cast<double>(left + right - 1) / 2;
    const double cy = static_cast<double>(top + bottom - 1) / 2;
    const double a = static_cast<double>(right - left - 1) / 2;
    const double b = static_cast<double>(bottom - top - 1) / 2;
    auto at = [](std::vector<long> &v, long i) -> long & { return v[static_cast<std::size_t>(i)]; };
    for (long y = rowFirst; y < rowEnd; ++y) {
        const double dy = static_cast<double>(y) - cy;
        const double dx = a * std::sqrt(std::max(0.0, 1 - (dy * dy) / (b * b)));
        at(outline.rowLeft, y) = at(outline.rowPenLeft, y) = Nearest(cx - dx, true);
        at(outline.rowRight, y) = at(outline.rowPenRight, y) = Nearest(cx + dx, false);
    }
    // The columns' outline pixels widen the rows they fall on. Only the
    // given columns are visited: whatever columns beyond them add to a row
    // lies beyond them too, so it is enough to know that they reach past,
    // which the rows that the column just outside spans tell.
    auto widen = [&](long x, long y) {
        if (y < rowFirst || y >= rowEnd)
            return;
        at(outline.rowLeft, y) = std::min(at(outline.rowLeft, y), x);
        at(outline.rowRight, y) = std::max(at(outline.rowRight, y), x);
    };
    auto column = [&](long x, long &yTop, long &yBottom) {
        const double dx = static_cast<double>(x) - cx;
        const double dy = b * std::sqrt(std::max(0.0, 1 - (dx * dx) / (a * a)));
        yTop = Nearest(cy - dy, true);
        yBottom = Nearest(cy + dy, false);
    };
    for (long x = columnFirst; x < columnEnd; ++x) {
        column(x, at(outline.columnTop, x), at(outline.columnBottom, x));
        widen(x, at(outline.columnTop, x));
        widen(x, at(outline.columnBottom, x));
    }
    for (const long outside : {columnFirst - 1, columnEnd}) {
        if (outside < left || outside >= right)
            continue;
        long yTop = 0, yBottom = 0;
        column(outside, yTop, yBottom);
        for (long y = std::max(yTop, rowFirst); y <= yBottom && y < rowEnd; ++y)
            widen(outside, y);
    }
}

const Raster::Outline &Raster::SmallShape(long width, long height)
{
    for (const Shape &shape : shapes_)
        if (shape.width == width && shape.height == height)
            return shape.outline;
    Shape &shape = shapes_[nextShape_];
    nextShape_ = (nextShape_ + 1) % shapes_.size();
    shape.width = width;
    shape.height = height;
    Trace(0, 0, width, height, 0, height, 0, width, shape.outline);
    return shape.outline;
}

void Raster::Ellipse(long left, long top, long right, long bottom, bool outline,
                     std::uint16_t penColour, bool fill, std::uint16_t fillColour)
{
    const Noting noting(*this, {PaintRecord::kEllipse, left, top, right, bottom, outline, penColour,
                                fill, fillColour});
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    const long w = right - left;
    const long h = bottom - top;
    if (w <= 0 || h <= 0 || (w == 1 && h == 1))
        return;
    // Visible rows and columns of the ellipse.
    const long rowFirst = std::max(top, 0L);
    const long rowEnd = std::min(bottom, static_cast<long>(height_));
    const long columnFirst = std::max(left, 0L);
    const long columnEnd = std::min(right, static_cast<long>(width_));
    if (rowFirst >= rowEnd || columnFirst >= columnEnd)
        return;

    // One pixel across: the outline is the whole box.
    if (w == 1 || h == 1) {
        if (outline || fill)
            for (long y = rowFirst; y < rowEnd; ++y)
                Span(y, left, right, outline ? penColour : fillColour);
        return;
    }

    // A small ellipse's outline comes from its kept shape, moved to its
    // place; a large one's is worked out for the visible part only.
    const Outline *o = &large_;
    long dx = 0, dy = 0;
    if (w <= kShapeSide && h <= kShapeSide) {
        o = &SmallShape(w, h);
        dx = left;
        dy = top;
    } else {
        Trace(left, top, right, bottom, rowFirst, rowEnd, columnFirst, columnEnd, large_);
    }
    auto at = [](const std::vector<long> &v, long i) { return v[static_cast<std::size_t>(i)]; };
    // Under an outline the fill may as well reach the row's own outline
    // pixels, which the outline paints over: where a row's two nearest
    // pixels cross, the fill would leave them out. Then an outline in the
    // fill's colour, as a wide pen's round ends are, is drawn already.
    if (fill)
        for (long y = rowFirst; y < rowEnd; ++y) {
            long from = at(o->rowLeft, y - dy), to = at(o->rowRight, y - dy);
            if (outline) {
                from = std::min(from, at(o->rowPenRight, y - dy));
                to = std::max(to, at(o->rowPenLeft, y - dy));
            }
            Span(y, from + dx, to + dx + 1, fillColour);
        }
    if (!outline || (fill && penColour == fillColour))
        return;
    for (long y = rowFirst; y < rowEnd; ++y) {
        Put(at(o->rowPenLeft, y - dy) + dx, y, penColour);
        Put(at(o->rowPenRight, y - dy) + dx, y, penColour);
    }
    for (long x = columnFirst; x < columnEnd; ++x) {
        Put(x, at(o->columnTop, x - dx) + dy, penColour);
        Put(x, at(o->columnBottom, x - dx) + dy, penColour);
    }
}

} // namespace zorbel::standin
