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
    const std::string back = zt::HandleName(App.BackBuffer);
    const std::string brush = zt::HandleName(App.BallBrush);
    const std::string outline = zt::HandleName(App.OutlinePen);
    zt::ClearCallLog();
    App.TheLauncher->Draw();
    const std::string dc = ResultOf("GetDC " + back);
    const std::string bandPen = ResultOf("CreatePen");
    const std::string select = "SelectObject " + dc + " ";
    const auto ball = IndexOf("Ellipse " + dc + " 492 464 532 504");
    const auto band = IndexOf("Polyline " + dc + " 7 472,384 492,487");
    const auto tips = IndexOf("Ellipse " + dc + " 462 374 482 394");
    EXPECT_LT(IndexOf("GetDC " + back), IndexOf(select + brush));
    EXPECT_LT(IndexOf(select + brush), ball);
    EXPECT_LT(ball, band);
    EXPECT_LT(band, tips);
    // The brush and pen that were selected before are selected again.
    EXPECT_LT(tips, IndexOf(select + ResultOf(select + brush)));
    EXPECT_LT(IndexOf(select + ResultOf(select + outline)),
              IndexOf("ReleaseDC " + back + " " + dc));
    EXPECT_LT(IndexOf("ReleaseDC " + back + " " + dc), IndexOf("DeleteObject " + bandPen));
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
