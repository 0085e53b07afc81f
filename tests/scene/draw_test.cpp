// Launcher::Draw on the headless host: the GDI calls it makes. Its layout is
// in the tracer's golden traces (tests/trace), its pixels on the
// screen by the end-to-end tests (tests/e2e) and frame by frame against GDI's
// own (tests/e2e/gdi_diff.py).
#include "support/program_fixture.h"

namespace {

using DrawTest = ProgramTest;

// The launcher held with the ball at (x, y), as a dragging step leaves it.
void HoldAt(int x, int y)
{
    App.DragFlag = 1;
    App.TheLauncher->Grab();
    zt::SetCursorPos(POINT{x, y});
    App.TheLauncher->Step();
}

// The band over the ball and the tips over the band; the context is given
// back and the band's own pen deleted, so a frame leaves no object behind.
TEST_F(DrawTest, BandOverBallUnderTipsAndNothingLeftBehind)
{
    StartUp();
    HoldAt(512, 484);
    const std::string back = zt::HandleName(App.BackBuffer);
    const int live = zt::LiveGdiObjects();
    zt::ClearCallLog();
    App.TheLauncher->Draw();
    const std::string dc = ResultOf("GetDC " + back);
    EXPECT_LT(IndexOf("Ellipse " + dc + " 492 464 532 504"),
              IndexOf("Polyline " + dc + " 7 472,384 492,487"));
    EXPECT_LT(IndexOf("Polyline " + dc + " 7 472,384 492,487"),
              IndexOf("Ellipse " + dc + " 462 374 482 394"));
    EXPECT_EQ(Calls("ReleaseDC " + back + " " + dc).size(), 1u);
    EXPECT_EQ(zt::LiveGdiObjects(), live);
}

TEST_F(DrawTest, WithoutADeviceContextNothingIsDrawnButTheBandSideMoves)
{
    StartUp();
    HoldAt(512, 389); // 5 below the centre, band slack
    zt::ScriptResults("GetDC", {DDERR_SURFACELOST});
    zt::ClearCallLog();
    App.TheLauncher->Draw();
    EXPECT_TRUE(Calls("Ellipse").empty());
    EXPECT_TRUE(Calls("SelectObject").empty());
    EXPECT_EQ(Calls("DeleteObject " + ResultOf("CreatePen")).size(), 1u)
        << "the band pen is still deleted";
    EXPECT_EQ(App.TheLauncher->BandSide, 1);
    EXPECT_EQ(App.TheLauncher->LeftTip.x, 552) << "the tips exchanged all the same";
    EXPECT_EQ(zt::LiveGdiObjects(), 2);
}

} // namespace
