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
