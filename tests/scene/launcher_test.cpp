// The launcher at its boundaries: the grab area and the off-screen margin.
// Its motion in the worked pulls and launches, and with degenerate client
// areas and cursors at the ends of the int range, is in the tracer's golden
// traces (tests/trace), whose sanitizer build also stops at any undefined
// conversion.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "app/app_state.h"
#include "platform/testing.h"
#include "scene/launcher.h"

inline std::ostream &operator<<(std::ostream &out, POINT p)
{
    return out << "(" << p.x << ", " << p.y << ")";
}

namespace {

// A 1024 x 768 client area at the screen origin on the headless host.
class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zorbel::testing::UseHeadlessHost();
        App = AppState{};
        App.ClientRect = RECT{0, 0, 1024, 768};
        App.ClientBottomRight = POINT{1024, 768};
    }
};

TEST_F(LauncherTest, HitTestUsesTheTipRectangleGrownToAGrabArea)
{
    struct Case {
        POINT left, right;
        std::vector<POINT> in, out;
    };
    const Case cases[] = {
        // At rest: 472 <= x < 552, 374 <= y < 394.
        {{472, 384}, {552, 384}, {{472, 374}, {551, 393}}, {{552, 384}, {512, 394}, {512, 373}}},
        // A steep band under 10 pixels wide is widened to 493 <= x < 512.
        {{500, 300}, {505, 340}, {{493, 300}, {511, 339}}, {{492, 320}, {512, 320}, {500, 340}}},
        // 12 pixels wide is not widened.
        {{500, 300}, {512, 340}, {{500, 320}}, {{499, 320}, {512, 320}}},
        // Tips whose y differ by 1: the grab area is 19 tall, 291 <= y < 310.
        {{400, 300}, {480, 301}, {{440, 291}, {440, 309}}, {{440, 290}, {440, 310}}},
    };
    Launcher launcher;
    for (const Case &c : cases) {
        launcher.LeftTip = c.left;
        launcher.RightTip = c.right;
        for (const POINT &p : c.in)
            EXPECT_TRUE(launcher.HitTest(p))
                << "tips " << c.left << " " << c.right << " point " << p;
        for (const POINT &p : c.out)
            EXPECT_FALSE(launcher.HitTest(p))
                << "tips " << c.left << " " << c.right << " point " << p;
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

} // namespace
