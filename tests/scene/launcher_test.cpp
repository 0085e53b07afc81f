// The launcher at its boundaries: the grab area, the off-screen margin, and
// degenerate client areas and cursors. Its motion in the worked pulls and
// launches is compared with the independent model through the tracer
// (tests/model).
#include <cmath>
#include <limits>

#include "scene_fixture.h"

namespace {

using LauncherTest = SceneTest;

TEST_F(LauncherTest, HitTestUsesTheTipRectangleGrownToAGrabArea)
{
    struct Case {
        POINT left, right, point;
        BOOL hit;
    };
    const Case cases[] = {
        // At rest: 472 <= x < 552, 374 <= y < 394.
        {{472, 384}, {552, 384}, {472, 374}, TRUE},
        {{472, 384}, {552, 384}, {551, 393}, TRUE},
        {{472, 384}, {552, 384}, {552, 384}, FALSE},
        {{472, 384}, {552, 384}, {512, 394}, FALSE},
        {{472, 384}, {552, 384}, {512, 373}, FALSE},
        // A steep band under 10 pixels wide is widened to 493 <= x < 512.
        {{500, 300}, {505, 340}, {493, 300}, TRUE},
        {{500, 300}, {505, 340}, {492, 320}, FALSE},
        {{500, 300}, {505, 340}, {511, 339}, TRUE},
        {{500, 300}, {505, 340}, {512, 320}, FALSE},
        {{500, 300}, {505, 340}, {500, 340}, FALSE},
        // 12 pixels wide is not widened.
        {{500, 300}, {512, 340}, {499, 320}, FALSE},
        {{500, 300}, {512, 340}, {500, 320}, TRUE},
        {{500, 300}, {512, 340}, {512, 320}, FALSE},
        // Tips whose y differ by 1: the grab area is 19 tall, 291 <= y < 310.
        {{400, 300}, {480, 301}, {440, 291}, TRUE},
        {{400, 300}, {480, 301}, {440, 290}, FALSE},
        {{400, 300}, {480, 301}, {440, 309}, TRUE},
        {{400, 300}, {480, 301}, {440, 310}, FALSE},
    };
    Launcher launcher;
    for (const Case &c : cases) {
        launcher.LeftTip = c.left;
        launcher.RightTip = c.right;
        EXPECT_EQ(launcher.HitTest(c.point), c.hit)
            << "tips " << c.left << " " << c.right << " point " << c.point;
    }
}

TEST_F(LauncherTest, OffScreenTestUsesTheClientRectangleGrownBy20)
{
    struct Case {
        double x, y;
        int alive;
    };
    const Case cases[] = {
        {1044.0, 300.0, 1}, {1045.0, 300.0, 0}, {-20.0, 300.0, 1}, {-21.0, 300.0, 0},
        {-20.9, 300.0, 1},  {300.0, 788.0, 1},  {300.0, 789.0, 0}, {300.0, -21.0, 0},
    };
    for (const Case &c : cases) {
        Launcher launcher;
        launcher.BallAlive = 1;
        launcher.BallX = c.x;
        launcher.BallY = c.y;
        launcher.Step();
        EXPECT_EQ(launcher.BallAlive, c.alive) << c.x << ", " << c.y;
        EXPECT_EQ(launcher.BallX, c.x) << "taking the ball out of play does not move it";
    }
}

// A client area under 2 pixels wide, and cursors at the ends of the int
// range, must keep every value finite and every conversion defined.
TEST_F(LauncherTest, DegenerateClientAreasAndExtremeCursorsStayFinite)
{
    const int min = std::numeric_limits<int>::min();
    const int max = std::numeric_limits<int>::max();
    for (const int width : {0, 1, 2, 1024}) {
        for (const POINT cursor : {POINT{min, min}, POINT{max, max}, POINT{min, max}, POINT{3, 700}}) {
            UseClient(width, 768);
            Launcher launcher;
            DragTo(launcher, cursor.x, cursor.y);
            EXPECT_GE(launcher.Tension, 0.0);
            EXPECT_LE(launcher.Tension, 1.0);
            if (width == 0) {
                EXPECT_EQ(launcher.Tension, 1.0);
            }
            App.DragFlag = 0;
            for (int i = 0; i < 200; ++i) {
                launcher.Step();
                ASSERT_TRUE(std::isfinite(launcher.BallX) && std::isfinite(launcher.BallY))
                    << "width " << width << " cursor " << cursor;
                (void)launcher.LayOutBand();
            }
            launcher.Recentre(max, min);
            (void)launcher.HitTest(POINT{min, max});
        }
    }
}

} // namespace
