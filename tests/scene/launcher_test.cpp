#include <cmath>
#include <limits>

#include "scene_fixture.h"

namespace {

using LauncherTest = SceneTest;

TEST_F(LauncherTest, BuildsAtRestInTheMiddleOfTheClientArea)
{
    struct Case {
        int width, height;
        POINT centre, left, right;
    };
    for (const Case &c : {Case{1024, 768, {512, 384}, {472, 384}, {552, 384}},
                          Case{800, 600, {400, 300}, {360, 300}, {440, 300}},
                          Case{1023, 767, {511, 383}, {471, 383}, {551, 383}}}) {
        UseClient(c.width, c.height);
        Launcher launcher;
        EXPECT_EQ(launcher.RestCentre, c.centre) << c.width;
        EXPECT_EQ(launcher.LeftTip, c.left);
        EXPECT_EQ(launcher.RightTip, c.right);
        EXPECT_EQ(launcher.BallX, c.centre.x);
        EXPECT_EQ(launcher.BallY, c.centre.y);
        EXPECT_EQ(launcher.Engaged + launcher.BallAlive + launcher.BandSide, 0);
    }
}

TEST_F(LauncherTest, FirstIdleStepSetsRestingBandAndMovesNothing)
{
    Launcher launcher;
    launcher.Tension = 0.7;
    launcher.Step();
    EXPECT_EQ(launcher.Tension, 0.0);
    EXPECT_EQ(launcher.BandPenWidth, 10);
    EXPECT_EQ(launcher.LeftTip, (POINT{472, 384}));
    EXPECT_EQ(launcher.RightTip, (POINT{552, 384}));
    EXPECT_EQ(launcher.BallY, 384.0);
}

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

TEST_F(LauncherTest, DraggingTurnsTheForkAndSetsTension)
{
    struct Case {
        POINT cursor, left, right;
        double tension;
        int pen;
    };
    const Case cases[] = {
        {{512, 584}, {472, 384}, {552, 384}, 0.390625, 7},
        {{612, 484}, {483, 412}, {540, 355}, 2 * std::sqrt(20000.0) / 1024, 8},
        {{512, 284}, {552, 384}, {472, 384}, 0.1953125, 9},
        {{612, 384}, {512, 424}, {512, 344}, 200.0 / 1024, 9},
        {{0, 0}, {536, 352}, {488, 416}, 1.0, 2},
        {{512, 425}, {472, 384}, {552, 384}, 82.0 / 1024, 10},
    };
    for (const Case &c : cases) {
        Launcher launcher;
        DragTo(launcher, c.cursor.x, c.cursor.y);
        EXPECT_EQ(launcher.BallPoint, c.cursor);
        EXPECT_EQ(launcher.BandStretched, 1) << c.cursor;
        EXPECT_EQ(launcher.LeftTip, c.left) << c.cursor;
        EXPECT_EQ(launcher.RightTip, c.right) << c.cursor;
        EXPECT_DOUBLE_EQ(launcher.Tension, c.tension) << c.cursor;
        EXPECT_EQ(launcher.BandPenWidth, c.pen) << c.cursor;
    }
}

TEST_F(LauncherTest, ASlackBandKeepsWhereTheLastStretchedStepLeftIt)
{
    Launcher launcher;
    DragTo(launcher, 612, 484);
    const POINT left = launcher.LeftTip;
    const POINT right = launcher.RightTip;
    for (const POINT inside : {POINT{512, 424}, POINT{520, 390}, POINT{512, 384}}) {
        MoveCursor(inside.x, inside.y);
        launcher.Step();
        EXPECT_EQ(launcher.BandStretched, 0) << inside;
        EXPECT_EQ(launcher.LeftTip, left);
        EXPECT_EQ(launcher.RightTip, right);
        EXPECT_EQ(launcher.BandPenWidth, 8);
    }
}

TEST_F(LauncherTest, PullOf200PixelsLetsGoOnStep37AndLeavesOnStep81)
{
    Launcher launcher;
    DragTo(launcher, 512, 584);
    App.DragFlag = 0;

    launcher.Step();
    EXPECT_EQ(launcher.AccelY, -0.390625);
    EXPECT_EQ(launcher.VelY, -0.390625);
    EXPECT_EQ(launcher.BallY, 583.609375);

    int step = 1;
    while (step < 36) {
        launcher.Step();
        ++step;
        ASSERT_EQ(launcher.Engaged, 1) << "step " << step;
    }
    EXPECT_NEAR(launcher.BallY, 375.52, 0.01);
    launcher.Step(); // 37
    EXPECT_EQ(launcher.Engaged, 0);
    EXPECT_EQ(launcher.AccelY, 0.0);
    EXPECT_NEAR(launcher.VelY, -8.839, 0.001);

    for (step = 38; step < 81; ++step) {
        launcher.Step();
        ASSERT_EQ(launcher.BallAlive, 1) << "step " << step;
    }
    MoveCursor(7, 9);
    launcher.Step(); // 81
    EXPECT_EQ(launcher.BallAlive, 0);
    EXPECT_EQ(launcher.VelY, 0.0);
    EXPECT_EQ(launcher.BallPoint, (POINT{7, 9})) << "out of play, the ball point is the cursor";
    EXPECT_LT(launcher.BallY, -21.0);
}

TEST_F(LauncherTest, HeldStepsDependOnlyOnHalfTheClientWidth)
{
    struct Case {
        int width, height, pull, letGoStep;
        double speedPerPixel;
    };
    for (const Case &c : {Case{1024, 768, 60, 37, 0.0442}, Case{1024, 768, 300, 37, 0.0442},
                          Case{800, 600, 100, 32, 0.0500}, Case{800, 600, 250, 32, 0.0500}}) {
        UseClient(c.width, c.height);
        Launcher launcher;
        DragTo(launcher, c.width / 2, c.height / 2 + c.pull);
        App.DragFlag = 0;
        EXPECT_EQ(StepsUntilLetGo(launcher), c.letGoStep) << c.width << " pull " << c.pull;
        EXPECT_NEAR(-launcher.VelY / c.pull, c.speedPerPixel, 0.0002);
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

TEST_F(LauncherTest, BallReleasedOnTheRestCentreStaysHeldAndStill)
{
    Launcher launcher;
    DragTo(launcher, 512, 384);
    App.DragFlag = 0;
    for (int i = 0; i < 1000; ++i)
        launcher.Step();
    EXPECT_EQ(launcher.Engaged, 1);
    EXPECT_EQ(launcher.BallAlive, 1);
    EXPECT_EQ(launcher.BallPoint, (POINT{512, 384}));
}

TEST_F(LauncherTest, CatchingDuringLaunchKeepsAccelerationAndCrossingLetsGoAtOnce)
{
    Launcher launcher;
    DragTo(launcher, 512, 584);
    App.DragFlag = 0;
    for (int i = 0; i < 10; ++i)
        launcher.Step();
    const double accelY = launcher.AccelY;
    ASSERT_LT(accelY, 0.0);

    // Caught, and released above the centre: the other side of its y.
    DragTo(launcher, 512, 300);
    EXPECT_EQ(launcher.AccelY, accelY);
    EXPECT_EQ(launcher.VelY, 0.0);
    const double tension = launcher.Tension;
    App.DragFlag = 0;
    launcher.Step();
    EXPECT_EQ(launcher.Engaged, 0);
    EXPECT_EQ(launcher.BallAlive, 1);
    EXPECT_EQ(launcher.BallY, 300.0);
    for (int i = 0; i < 100; ++i)
        launcher.Step();
    EXPECT_EQ(launcher.BallY, 300.0) << "in play but still";
    EXPECT_EQ(launcher.Tension, tension);
}

TEST_F(LauncherTest, RecentreShiftsTheTiltedForkButNotTheBall)
{
    Launcher launcher;
    DragTo(launcher, 612, 484);
    App.DragFlag = 0;
    while (launcher.BallAlive != 0)
        launcher.Step();
    const POINT left = launcher.LeftTip;
    const POINT right = launcher.RightTip;
    const double ballX = launcher.BallX;
    launcher.Recentre(400, 300);
    EXPECT_EQ(launcher.GetCentre(), (POINT{400, 300}));
    EXPECT_EQ(launcher.LeftTip, (POINT{left.x - 112, left.y - 84}));
    EXPECT_EQ(launcher.RightTip, (POINT{right.x - 112, right.y - 84}));
    EXPECT_EQ(launcher.BallX, ballX);
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
