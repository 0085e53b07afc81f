// The band's geometry helpers and colours. The band's shape in every drawn
// frame is compared with the independent model through the tracer (tests/model).
#include <cmath>

#include "scene_fixture.h"

namespace {

using BandTest = SceneTest;

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
