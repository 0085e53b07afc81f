// Aliased drawing into RGB565 pixels with GDI's pixel rules: thin lines,
// wide round-ended pen lines and polylines, and ellipses with a one-pixel
// outline and a solid fill. Nothing is allocated while drawing: the
// buffers an ellipse needs are sized by the surface when the raster is made.
#pragma once

#include "platform/standin/paint_record.h"

#include <cstdint>
#include <vector>

namespace zorbel::standin {

struct RasterPoint {
    long x;
    long y;
};

class Raster {
public:
    // pixels: the top row; stride: pixels from one row to the next; record:
    // where each drawing call is noted, if anywhere.
    Raster(std::uint16_t *pixels, int width, int height, int stride, PaintRecord *record = nullptr);

    // A one-pixel line from (x0, y0) toward (x1, y1), the last pixel left out.
    void ThinLine(long x0, long y0, long x1, long y1, std::uint16_t colour);

    // A pen line of the given width: one-pixel pens draw a thin line, wider
    // ones a band with round ends.
    void Line(long x0, long y0, long x1, long y1, int width, std::uint16_t colour);

    // Consecutive lines through the points; wider pens join them round.
    void Polyline(const RasterPoint *points, int count, int width, std::uint16_t colour);

    // The ellipse inscribed in left..right-1, top..bottom-1 (either order):
    // its one-pixel outline in penColour when outline is set, and the inside
    // in fillColour when fill is set.
    void Ellipse(long left, long top, long right, long bottom, bool outline,
                 std::uint16_t penColour, bool fill, std::uint16_t fillColour);

    // The round end or join of a pen of the given width at (x, y).
    void Dot(long x, long y, int width, std::uint16_t colour);

    // The smallest rectangle, left..right-1 and top..bottom-1, holding every
    // pixel drawn since the last Untouch (empty when right <= left).
    struct Box {
        long left, top, right, bottom;
    };
    const Box &Touched() const { return touched_; }
    void Untouch() { touched_ = Box{width_, height_, 0, 0}; }

private:
    // An ellipse's outline: per row, its leftmost and rightmost pixel, and
    // the row's own nearest pixels; per column, the column's nearest pixels.
    struct Outline {
        std::vector<long> rowLeft, rowRight, rowPenLeft, rowPenRight, columnTop, columnBottom;
        Outline(int rows, int columns);
    };
    // An ellipse's shape depends only on its size: the small ones a frame
    // draws again and again (round pen ends, balls, tips) are kept, relative
    // to their top-left corner.
    struct Shape {
        long width = 0;
        long height = 0;
        Outline outline;
    };

    // Notes a drawing call in the record, unless another drawing call makes
    // it: that one's record says all.
    struct Noting {
        Noting(Raster &raster, std::initializer_list<long long> words);
        ~Noting() { --raster.depth_; }
        Noting(const Noting &) = delete;
        Noting &operator=(const Noting &) = delete;
        Raster &raster;
        bool outermost;
    };

    void Put(long x, long y, std::uint16_t colour);
    void Span(long y, long left, long right, std::uint16_t colour); // left..right-1
    void WideSegment(long x0, long y0, long x1, long y1, int width, std::uint16_t colour);
    const Outline &SmallShape(long width, long height);
    // Works out the outline of the ellipse in left..right-1, top..bottom-1
    // for the given rows and columns, indexed by row and by column.
    static void Trace(long left, long top, long right, long bottom, long rowFirst, long rowEnd,
                      long columnFirst, long columnEnd, Outline &outline);

    std::uint16_t *pixels_;
    int width_;
    int height_;
    int stride_;
    Outline large_; // by surface row and column
    std::vector<Shape> shapes_;
    std::size_t nextShape_ = 0;
    PaintRecord *record_;
    int depth_ = 0;
    Box touched_{width_, height_, 0, 0};
};

} // namespace zorbel::standin
