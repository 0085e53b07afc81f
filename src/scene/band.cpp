// The band's look for one frame: its colour, which side of the ball it wraps
// around, and the points it runs through. Plain arithmetic on the launcher's
// fields; the drawing calls come afterwards.
#include <cmath>
#include <cstdint>

#include "scene/launcher.h"
#include "scene/numeric.h"

using zorbel::TruncToInt;

namespace {

constexpr double kBallRadius = Launcher::BallRadius;
constexpr double kTangentThreshold = kBallRadius * kBallRadius;

RECT SquareAround(POINT centre, int radius)
{
    const std::int64_t x = centre.x;
    const std::int64_t y = centre.y;
    return RECT{zorbel::ClampToInt(x - radius), zorbel::ClampToInt(y - radius),
                zorbel::ClampToInt(x + radius), zorbel::ClampToInt(y + radius)};
}

} // namespace

// Blue while slack; while the band holds the ball, green grows with the
// tension and, over the last fifth, red too, toward almost white.
COLORREF Launcher::BandColour() const
{
    DWORD green = 0;
    DWORD red = 0;
    if (Engaged != 0) {
        green = static_cast<DWORD>(TruncToInt(Tension * 255.0));
        double over = Tension - 0.8;
        if (over < 0.0)
            over = 0.0;
        red = static_cast<DWORD>(TruncToInt(over * 1275.0));
    }
    return 0x00FF0000u | ((green & 0xFFu) << 8) | (red & 0xFFu);
}

// Notes on which side of the band line (rest centre to LeftTip) the ball
// lies. When it crosses while the band is slack, the tips change places, so
// that the band keeps wrapping around the far side of the ball.
void Launcher::UpdateBandSide()
{
    const std::int64_t bdx = TruncToInt(BallX - static_cast<double>(RestCentre.x));
    const std::int64_t bdy = TruncToInt(BallY - static_cast<double>(RestCentre.y));
    const std::int64_t ax = static_cast<std::int64_t>(LeftTip.x) - RestCentre.x;
    const std::int64_t ay = static_cast<std::int64_t>(LeftTip.y) - RestCentre.y;

    int side = 0;
    if (ax != 0)
        side = (bdx * ay) / ax < bdy ? 1 : 0;
    else if (ay != 0)
        side = bdx > 0 ? 1 : 0;
    else
        return; // no band line to be on either side of

    if (side == BandSide)
        return;
    BandSide = side;
    if (BandStretched == 0) {
        const POINT left = LeftTip;
        LeftTip = RightTip;
        RightTip = left;
    }
}

int Launcher::TangentPoint(int x, int y, double &tx, double &ty) const
{
    const double dx = static_cast<double>(x) - BallX;
    const double dy = static_cast<double>(y) - BallY;
    const double d2 = dy * dy + dx * dx;
    if (!(d2 > kTangentThreshold))
        return 0;
    const double f = kTangentThreshold / d2;
    double g = std::sqrt(d2 - kTangentThreshold) * (kBallRadius / d2);
    // From RightTip the band touches the ball on the other side.
    if (x == RightTip.x && y == RightTip.y)
        g = -g;
    // This grouping is the one whose rounding the band's pixels follow.
    tx = ((f * dx + BallX) - g * dy) + (g * dy + g * dy);
    ty = ((f * dy + BallY) + g * dx) - (g * dx + g * dx);
    return 1;
}

// The point of the ball's rim halfway along the shorter arc between P and Q.
POINT Launcher::RimPoint(double px, double py, double qx, double qy) const
{
    double mx = (px + qx) * 0.5 - BallX;
    double my = (py + qy) * 0.5 - BallY;
    double length = std::sqrt(mx * mx + my * my);
    if (length == 0.0) {
        // P and Q lie exactly opposite: take the rim point a quarter turn
        // from the chord, so that the wrap keeps its turning direction.
        mx = py - qy;
        my = qx - px;
        length = std::sqrt(mx * mx + my * my);
        if (length == 0.0)
            return POINT{TruncToInt(BallX), TruncToInt(BallY)};
    }
    return POINT{TruncToInt((mx * kBallRadius) / length + BallX),
                 TruncToInt((my * kBallRadius) / length + BallY)};
}

int Launcher::BuildBandPoints(POINT (&points)[7]) const
{
    points[0] = LeftTip;
    double ax = 0.0, ay = 0.0, bx = 0.0, by = 0.0;
    if (TangentPoint(LeftTip.x, LeftTip.y, ax, ay) == 0 ||
        TangentPoint(RightTip.x, RightTip.y, bx, by) == 0) {
        // A tip on or inside the ball: the band runs straight.
        points[1] = RightTip;
        return 2;
    }
    points[1] = POINT{TruncToInt(ax), TruncToInt(ay)};
    const POINT middle = RimPoint(ax, ay, bx, by);
    points[3] = middle;
    points[2] = RimPoint(ax, ay, middle.x, middle.y);
    points[4] = RimPoint(middle.x, middle.y, bx, by);
    points[5] = POINT{TruncToInt(bx), TruncToInt(by)};
    points[6] = RightTip;
    return 7;
}

BandLayout Launcher::LayOutBand()
{
    BandLayout layout{};
    layout.Colour = BandColour();
    layout.PenWidth = BandPenWidth;
    if (Engaged != 0) {
        UpdateBandSide();
        layout.PointCount = BuildBandPoints(layout.Points);
    } else {
        layout.PointCount = 2;
        layout.Points[0] = LeftTip;
        layout.Points[1] = RightTip;
    }
    layout.BallVisible = BallAlive != 0 ? TRUE : FALSE;
    if (layout.BallVisible)
        layout.Ball = SquareAround(BallPoint, BallRadius);
    layout.Tips[0] = SquareAround(LeftTip, TipRadius);
    layout.Tips[1] = SquareAround(RightTip, TipRadius);
    return layout;
}
