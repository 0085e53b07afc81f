// Launcher::Draw on the headless host: the GDI calls it makes. Its layout is
// compared with the model through the tracer (tests/model), its pixels on the
// screen by the end-to-end tests (tests/e2e) and frame by frame against GDI's
// own (tests/e2e/gdi_diff.py).
#include "app/program_fixture.h"

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

// What matters of the order: the tools selected before drawing and the
// originals back before the context is released; the band over the ball,
// the tips over the band.
TEST_F(DrawTest, ToolsAroundTheDrawingAndBandOverBallUnderTips)
{
    StartUp();
    HoldAt(512, 484);
    zt::ClearCallLog();
    App.TheLauncher->Draw();
    const auto ball = IndexOf("Ellipse dc2 492 464 532 504");
    const auto band = IndexOf("Polyline dc2 7 472,384 492,487");
    const auto tips = IndexOf("Ellipse dc2 462 374 482 394");
    EXPECT_LT(IndexOf("GetDC surface2"), IndexOf("SelectObject dc2 brush1"));
    EXPECT_LT(IndexOf("SelectObject dc2 brush1"), ball);
    EXPECT_LT(ball, band);
    EXPECT_LT(band, tips);
    EXPECT_LT(tips, IndexOf("SelectObject dc2 stock0"));
    EXPECT_LT(IndexOf("SelectObject dc2 stock7"), IndexOf("ReleaseDC surface2 dc2"));
    EXPECT_LT(IndexOf("ReleaseDC surface2 dc2"), IndexOf("DeleteObject pen2"));
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
    EXPECT_EQ(Calls("DeleteObject pen2").size(), 1u) << "the band pen is still deleted";
    EXPECT_EQ(App.TheLauncher->BandSide, 1);
    EXPECT_EQ(App.TheLauncher->LeftTip.x, 552) << "the tips exchanged all the same";
    EXPECT_EQ(zt::LiveGdiObjects(), 2);
}

} // namespace
