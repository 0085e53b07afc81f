#include <cmath>
#include <vector>

#include "scene_fixture.h"

namespace {

using BandTest = SceneTest;

std::vector<POINT> BandPoints(const BandLayout &layout)
{
    return std::vector<POINT>(layout.Points, layout.Points + layout.PointCount);
}

// A launcher held with the ball at (x, y), as the step leaves it.
Launcher Held(double x, double y, POINT left, POINT right, int stretched, double tension = 0.0)
{
    Launcher launcher;
    launcher.Engaged = 1;
    launcher.BallAlive = 1;
    launcher.BallX = x;
    launcher.BallY = y;
    launcher.BallPoint = POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
    launcher.LeftTip = left;
    launcher.RightTip = right;
    launcher.BandStretched = stretched;
    launcher.Tension = tension;
    return launcher;
}

TEST_F(BandTest, IdleBandIsStraightBlueWithoutABall)
{
    Launcher launcher;
    launcher.Step();
    const BandLayout layout = launcher.LayOutBand();
    EXPECT_EQ(layout.Colour, 0x00FF0000u);
    EXPECT_EQ(layout.PenWidth, 10);
    EXPECT_EQ(BandPoints(layout), (std::vector<POINT>{{472, 384}, {552, 384}}));
    EXPECT_FALSE(layout.BallVisible);
    EXPECT_EQ(layout.Tips[0], (RECT{462, 374, 482, 394}));
    EXPECT_EQ(layout.Tips[1], (RECT{542, 374, 562, 394}));
    EXPECT_EQ(launcher.BandSide, 0);
}

TEST_F(BandTest, WrappedBandsFollowTheBallAndTheTipOrder)
{
    struct Case {
        const char *name;
        double x, y;
        POINT left, right;
        int stretched, sideAfter;
        bool exchanged;
        std::vector<POINT> band;
    };
    const Case cases[] = {
        {"pull straight down", 512.0, 484.0, {472, 384}, {552, 384}, 1, 1, false,
         {{472, 384}, {492, 487}, {499, 499}, {512, 504}, {524, 499}, {531, 487}, {552, 384}}},
        {"pull straight up", 512.0, 284.0, {552, 384}, {472, 384}, 1, 0, false,
         {{552, 384}, {531, 280}, {524, 268}, {512, 264}, {499, 268}, {492, 280}, {472, 384}}},
        {"grab 5 below the centre", 512.0, 389.0, {472, 384}, {552, 384}, 0, 1, true,
         {{552, 384}, {519, 370}, {515, 369}, {512, 369}, {508, 369}, {504, 370}, {472, 384}}},
        {"slack, ball 30 above", 512.0, 354.0, {472, 384}, {552, 384}, 0, 0, false,
         {{472, 384}, {516, 373}, {514, 373}, {512, 374}, {509, 373}, {507, 373}, {552, 384}}},
    };
    for (const Case &c : cases) {
        Launcher launcher = Held(c.x, c.y, c.left, c.right, c.stretched);
        const BandLayout layout = launcher.LayOutBand();
        EXPECT_EQ(launcher.BandSide, c.sideAfter) << c.name;
        EXPECT_EQ(launcher.LeftTip, c.exchanged ? c.right : c.left) << c.name;
        EXPECT_EQ(BandPoints(layout), c.band) << c.name;
        // A second frame in the same state changes nothing.
        const BandLayout again = launcher.LayOutBand();
        EXPECT_EQ(BandPoints(again), c.band) << c.name;
    }
}

TEST_F(BandTest, RectanglesOfBallAndTips)
{
    Launcher launcher = Held(512.0, 484.0, {472, 384}, {552, 384}, 1, 0.1953125);
    const BandLayout layout = launcher.LayOutBand();
    EXPECT_EQ(layout.Colour, 0x00FF3100u);
    EXPECT_TRUE(layout.BallVisible);
    EXPECT_EQ(layout.Ball, (RECT{492, 464, 532, 504}));
    EXPECT_EQ(layout.Tips[0], (RECT{462, 374, 482, 394}));
    EXPECT_EQ(layout.Tips[1], (RECT{542, 374, 562, 394}));
}

TEST_F(BandTest, ColourFollowsTension)
{
    struct Case {
        double tension;
        COLORREF colour;
    };
    for (const Case &c : {Case{0.0, 0x00FF0000u}, Case{0.1953125, 0x00FF3100u},
                          Case{0.390625, 0x00FF6300u}, Case{0.5, 0x00FF7F00u},
                          Case{0.8, 0x00FFCC00u}, Case{0.9, 0x00FFE57Fu}, Case{1.0, 0x00FFFFFEu}}) {
        Launcher launcher = Held(512.0, 584.0, {472, 384}, {552, 384}, 1, c.tension);
        EXPECT_EQ(launcher.LayOutBand().Colour, c.colour) << c.tension;
        launcher.Engaged = 0;
        EXPECT_EQ(launcher.LayOutBand().Colour, 0x00FF0000u) << "slack band is blue";
    }
}

TEST_F(BandTest, TangentPointNeedsATipOutsideTheBall)
{
    Launcher launcher = Held(512.0, 484.0, {472, 384}, {552, 384}, 1);
    double tx = -1.0, ty = -1.0;
    ASSERT_EQ(launcher.TangentPoint(472, 384, tx, ty), 1);
    EXPECT_NEAR(tx, 492.3741, 0.0001);
    EXPECT_NEAR(ty, 487.8503, 0.0001);
    ASSERT_EQ(launcher.TangentPoint(552, 384, tx, ty), 1);
    EXPECT_NEAR(tx, 531.6258, 0.0001);
    EXPECT_NEAR(ty, 487.8503, 0.0001);

    tx = ty = -1.0;
    EXPECT_EQ(launcher.TangentPoint(512, 504, tx, ty), 0) << "on the circle";
    EXPECT_EQ(launcher.TangentPoint(515, 490, tx, ty), 0) << "inside the circle";
    EXPECT_EQ(tx, -1.0) << "nothing written on failure";
}

TEST_F(BandTest, TipWithinTheBallGivesAStraightBand)
{
    struct Case {
        double x;
        POINT left, right;
        int count;
    };
    // Tip exactly 20 pixels away has no touching point; 21 does.
    for (const Case &c : {Case{492.0, {472, 384}, {552, 384}, 2},
                          Case{493.0, {472, 384}, {552, 384}, 7},
                          // LeftTip fails although RightTip would not.
                          Case{480.0, {472, 384}, {600, 384}, 2},
                          // RightTip fails.
                          Case{540.0, {472, 384}, {552, 384}, 2}}) {
        Launcher launcher = Held(c.x, 384.0, c.left, c.right, 1);
        const BandLayout layout = launcher.LayOutBand();
        EXPECT_EQ(layout.PointCount, c.count) << c.x;
        if (c.count == 2) {
            EXPECT_EQ(BandPoints(layout), (std::vector<POINT>{c.left, c.right}));
        }
    }
}

TEST_F(BandTest, SideOfTheBandLine)
{
    struct Case {
        const char *name;
        double x, y;
        POINT left, right;
        int stretched, sideBefore, sideAfter;
        bool exchanged;
    };
    const Case cases[] = {
        {"vertical line, ball right", 612.0, 384.0, {512, 424}, {512, 344}, 1, 0, 1, false},
        {"vertical line, ball left", 412.0, 384.0, {512, 424}, {512, 344}, 1, 1, 0, false},
        {"left tip on the centre", 600.0, 600.0, {512, 384}, {552, 384}, 0, 0, 0, false},
        {"left tip on the centre, other side", 400.0, 100.0, {512, 384}, {552, 384}, 0, 1, 1, false},
        {"0.9 below truncates to the line", 512.0, 384.9, {472, 384}, {552, 384}, 0, 0, 0, false},
        {"1.0 below crosses", 512.0, 385.0, {472, 384}, {552, 384}, 0, 0, 1, true},
    };
    for (const Case &c : cases) {
        Launcher launcher = Held(c.x, c.y, c.left, c.right, c.stretched);
        launcher.BandSide = c.sideBefore;
        (void)launcher.LayOutBand();
        EXPECT_EQ(launcher.BandSide, c.sideAfter) << c.name;
        EXPECT_EQ(launcher.LeftTip, c.exchanged ? c.right : c.left) << c.name;
    }
}

TEST_F(BandTest, RimPointOfOppositePointsStaysOnTheBall)
{
    Launcher launcher = Held(512.0, 484.0, {472, 384}, {552, 384}, 1);
    const POINT rim = launcher.RimPoint(492.0, 484.0, 532.0, 484.0);
    const double dx = rim.x - 512.0;
    const double dy = rim.y - 484.0;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), 20.0, 1.0);
    EXPECT_EQ(rim, (POINT{512, 504})) << "a quarter turn from the chord, below it";
}

} // namespace
