// Launcher::Draw on the headless host: the GDI calls it makes. The pixels
// they leave are checked on the screen by the end-to-end tests (tests/e2e)
// and frame by frame against GDI's own (tests/e2e/gdi_diff.py).
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
    const std::vector<std::string> log = zt::CallLog();
    auto at = [&log](const std::string &prefix) {
        for (std::size_t i = 0; i < log.size(); ++i)
            if (log[i].rfind(prefix, 0) == 0)
                return static_cast<int>(i);
        ADD_FAILURE() << "no " << prefix;
        return -1;
    };
    const int ball = at("Ellipse dc2 492 464 532 504");
    const int band = at("Polyline dc2 7 472,384 492,487");
    const int tips = at("Ellipse dc2 462 374 482 394");
    EXPECT_LT(at("GetDC surface2"), at("SelectObject dc2 brush1"));
    EXPECT_LT(at("SelectObject dc2 brush1"), ball);
    EXPECT_LT(ball, band);
    EXPECT_LT(band, tips);
    EXPECT_LT(tips, at("SelectObject dc2 stock0"));
    EXPECT_LT(at("SelectObject dc2 stock7"), at("ReleaseDC surface2 dc2"));
    EXPECT_LT(at("ReleaseDC surface2 dc2"), at("DeleteObject pen2"));
}

TEST_F(DrawTest, IdleBandIsAStraightLine)
{
    StartUp();
    App.TheLauncher->Step();
    zt::ClearCallLog();
    App.TheLauncher->Draw();
    EXPECT_EQ(Calls("CreatePen").at(0).rfind("CreatePen 0 10 0x00FF0000", 0), 0u);
    EXPECT_TRUE(Calls("Ellipse dc2 492").empty()) << "no ball at rest";
    EXPECT_EQ(Calls("LineTo").at(0).rfind("LineTo dc2 552 384", 0), 0u);
    EXPECT_TRUE(Calls("Polyline").empty());
}

TEST_F(DrawTest, WithoutADeviceContextNothingIsDrawnButTheBandSideMoves)
{
    StartUp();
    App.DragFlag = 1;
    App.TheLauncher->Grab();
    zt::SetCursorPos(POINT{512, 389}); // 5 below the centre, band slack
    App.TheLauncher->Step();
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
