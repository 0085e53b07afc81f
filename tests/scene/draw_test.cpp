// Launcher::Draw on the headless host: the GDI calls it makes and the pixels
// they leave in the back buffer.
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

TEST_F(DrawTest, HeldBandIsDrawnOverTheBallWithTipsOnTop)
{
    StartUp();
    HoldAt(512, 484);
    zt::ClearCallLog();
    App.TheLauncher->Draw();
    std::vector<std::string> calls;
    for (const std::string &line : zt::CallLog())
        calls.push_back(line.substr(0, line.find(" ->")));
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "Blt surface2 null null null 0x1000400 0x0",
                         "CreatePen 0 9 0x00FF3100",
                         "GetDC surface2",
                         "SelectObject dc2 brush1",
                         "SelectObject dc2 pen1",
                         "MoveToEx dc2 472 384 null",
                         "Ellipse dc2 492 464 532 504",
                         "SelectObject dc2 pen2",
                         "Polyline dc2 7 472,384 492,487 499,499 512,504 524,499 531,487 552,384",
                         "SelectObject dc2 pen1",
                         "Ellipse dc2 462 374 482 394",
                         "Ellipse dc2 542 374 562 394",
                         "SelectObject dc2 stock0",
                         "SelectObject dc2 stock7",
                         "ReleaseDC surface2 dc2",
                         "DeleteObject pen2",
                     }));
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

TEST_F(DrawTest, PixelsShowBallBandAndTips)
{
    StartUp();
    HoldAt(512, 584); // 200 below: tension 0.390625, width 7
    App.TheLauncher->Draw();
    const zt::Pixels pixels = zt::BackBufferPixels();
    ASSERT_EQ(pixels.width, 1024);
    const std::uint16_t red = zt::Rgb565(0x000000FF);
    const std::uint16_t band = zt::Rgb565(0x00FF6300);
    const std::uint16_t outline = zt::Rgb565(0x00FFCC00);
    EXPECT_EQ(pixels.At(512, 584), red) << "ball centre";
    EXPECT_EQ(pixels.At(512, 602), band) << "band wrapped under the ball";
    EXPECT_EQ(pixels.At(482, 484), band) << "band between the left tip and the ball";
    EXPECT_EQ(pixels.At(472, 384), red) << "the tip is drawn over the band's end";
    EXPECT_EQ(pixels.At(462, 384), outline) << "tip outline, left edge";
    EXPECT_EQ(pixels.At(481, 384), outline) << "tip outline, right edge inside the rectangle";
    EXPECT_EQ(pixels.At(512, 300), 0) << "cleared background";
    EXPECT_EQ(zt::LiveGdiObjects(), 2) << "only the brush and the outline pen live on";
}

} // namespace
