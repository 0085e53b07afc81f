#include "scene/launcher.h"

#include <cmath>
#include <cstdint>

#include "app/app_state.h"
#include "scene/numeric.h"

using zorbel::ClampToInt;
using zorbel::TruncToInt;

namespace {

// Half the client width, the scale of the band's pull. A client area less
// than 2 pixels wide would make it 0; it is then taken as 1 so that the
// acceleration stays finite.
std::int64_t HalfClientWidth()
{
    const std::int64_t h =
        (static_cast<std::int64_t>(App.ClientBottomRight.x) - App.ClientTopLeft.x) / 2;
    return h < 1 ? 1 : h;
}

} // namespace

Launcher::Launcher()
{
    const std::int64_t halfWidth =
        (static_cast<std::int64_t>(App.ClientBottomRight.x) - App.ClientTopLeft.x) / 2;
    const std::int64_t halfHeight =
        (static_cast<std::int64_t>(App.ClientBottomRight.y) - App.ClientTopLeft.y) / 2;
    RestCentre = POINT{ClampToInt(halfWidth), ClampToInt(halfHeight)};
    RightTip = POINT{ClampToInt(halfWidth + ForkHalfWidth), RestCentre.y};
    LeftTip = POINT{ClampToInt(halfWidth - ForkHalfWidth), RestCentre.y};
    BallX = static_cast<double>(RestCentre.x);
    BallY = static_cast<double>(RestCentre.y);
}

Launcher::~Launcher() = default;

POINT Launcher::CursorInClient() const
{
    POINT cursor{0, 0};
    (void)GetCursorPos(&cursor);
    (void)ScreenToClient(App.MainWindow, &cursor);
    return cursor;
}

void Launcher::Step()
{
    if (App.DragFlag != 0) {
        // While the band is held the ball sits at the cursor.
        BallPoint = CursorInClient();
        BallX = static_cast<double>(BallPoint.x);
        BallY = static_cast<double>(BallPoint.y);
        PlaceFork();
        return;
    }
    if (BallAlive == 0) {
        Tension = 0.0;
        BandPenWidth = 10;
        return;
    }
    if (Engaged == 1)
        Accelerate();

    // Velocity first, then position: semi-implicit Euler.
    BallX += VelX;
    BallY += VelY;
    BallPoint = POINT{TruncToInt(BallX), TruncToInt(BallY)};

    if (Engaged == 0 && IsOffScreen()) {
        VelX = 0.0;
        VelY = 0.0;
        BallAlive = 0;
        BallPoint = CursorInClient();
    }
    PlaceFork();
}

// The band pulls the ball toward the rest centre in proportion to its
// distance, and lets go once the ball has crossed the centre on either axis.
void Launcher::Accelerate()
{
    const double h = static_cast<double>(HalfClientWidth());
    const double newX = (static_cast<double>(RestCentre.x) - BallX) / h;
    const double newY = (static_cast<double>(RestCentre.y) - BallY) / h;
    if (AccelX * newX < 0.0 || AccelY * newY < 0.0) {
        AccelX = 0.0;
        AccelY = 0.0;
        Engaged = 0;
        return;
    }
    AccelX = newX;
    AccelY = newY;
    VelX += AccelX;
    VelY += AccelY;
}

bool Launcher::IsOffScreen() const
{
    const RECT &client = App.ClientRect;
    const std::int64_t x = BallPoint.x;
    const std::int64_t y = BallPoint.y;
    return x > static_cast<std::int64_t>(client.right) + 20 ||
           x < static_cast<std::int64_t>(client.left) - 20 ||
           y > static_cast<std::int64_t>(client.bottom) + 20 ||
           y < static_cast<std::int64_t>(client.top) - 20;
}

// Turns the fork so that it stays perpendicular to the pull, and sets the
// band's tension and width from the pull's length.
void Launcher::PlaceFork()
{
    if (Engaged == 0)
        return;
    const std::int64_t dx = static_cast<std::int64_t>(BallPoint.x) - RestCentre.x;
    const std::int64_t dy = static_cast<std::int64_t>(BallPoint.y) - RestCentre.y;
    const double fdx = static_cast<double>(dx);
    const double fdy = static_cast<double>(dy);
    const double d = std::sqrt(fdx * fdx + fdy * fdy);
    const double k = 80.0 / (2.0 * d);
    if (k >= 1.0) {
        BandStretched = 0;
        return;
    }
    BandStretched = 1;
    const double cx = static_cast<double>(RestCentre.x);
    const double cy = static_cast<double>(RestCentre.y);
    LeftTip = POINT{TruncToInt(cx - k * fdy), TruncToInt(cy + k * fdx)};
    RightTip = POINT{TruncToInt(cx + k * fdy), TruncToInt(cy - k * fdx)};

    const std::int64_t width =
        static_cast<std::int64_t>(App.ClientRect.right) - App.ClientRect.left;
    Tension = width <= 0 ? 1.0 : (80.0 / k) / static_cast<double>(width);
    if (Tension > 1.0)
        Tension = 1.0;
    BandPenWidth = 2 - TruncToInt(-9.0 * (1.0 - Tension));
}

BOOL Launcher::HitTest(POINT point) const
{
    std::int64_t left = LeftTip.x < RightTip.x ? LeftTip.x : RightTip.x;
    std::int64_t right = LeftTip.x < RightTip.x ? RightTip.x : LeftTip.x;
    std::int64_t top = LeftTip.y < RightTip.y ? LeftTip.y : RightTip.y;
    std::int64_t bottom = LeftTip.y < RightTip.y ? RightTip.y : LeftTip.y;

    // A flat band gets a grab area 20 pixels tall; a steep one only gets
    // widened when it is under 10 pixels wide.
    const std::int64_t height = bottom - top;
    if (height < 20) {
        const std::int64_t pad = (20 - height) / 2;
        top -= pad;
        bottom += pad;
    }
    const std::int64_t width = right - left;
    if (width < 10) {
        const std::int64_t pad = (20 - width) / 2;
        left -= pad;
        right += pad;
    }
    return left <= point.x && point.x < right && top <= point.y && point.y < bottom ? TRUE : FALSE;
}

void Launcher::Grab()
{
    BallAlive = 1;
    Engaged = 1;
    VelX = 0.0;
    VelY = 0.0;
}

void Launcher::Recentre(int x, int y)
{
    const std::int64_t shiftX = static_cast<std::int64_t>(x) - RestCentre.x;
    const std::int64_t shiftY = static_cast<std::int64_t>(y) - RestCentre.y;
    RestCentre = POINT{x, y};
    LeftTip = POINT{ClampToInt(LeftTip.x + shiftX), ClampToInt(LeftTip.y + shiftY)};
    RightTip = POINT{ClampToInt(RightTip.x + shiftX), ClampToInt(RightTip.y + shiftY)};
}

POINT Launcher::GetCentre() const { return RestCentre; }
