// GDI drawing of the stand-in layer, checked on the back buffer's pixels.
#include "flip_chain.h"

#include <gtest/gtest.h>

namespace zorbel::test {
namespace {

class GdiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenFlipChain(&chain));
        ASSERT_EQ(Clear(chain.back), DD_OK);
        ASSERT_EQ(chain.back->GetDC(&dc), DD_OK);
    }
    void TearDown() override { EXPECT_EQ(chain.back->ReleaseDC(dc), DD_OK); }
    FlipChain chain;
    HDC dc = nullptr;
};

constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kOutline = 0x00FFCC00;

TEST_F(GdiTest, EllipseFillsWithTheBrushAndOutlinesWithThePen)
{
    (void)SelectObject(dc, CreateSolidBrush(kRed));
    (void)SelectObject(dc, CreatePen(PS_SOLID, 1, kOutline));
    ASSERT_TRUE(Ellipse(dc, 492, 464, 532, 504));
    const testing::Pixels pixels = testing::BackBufferPixels();
    const std::uint16_t outline = testing::Rgb565(kOutline);
    EXPECT_EQ(outline, 0x067F) << "blue 0xFF, green 0xCC, red 0 in their top 5, 6 and 5 bits";
    EXPECT_EQ(pixels.At(512, 484), testing::Rgb565(kRed));
    EXPECT_EQ(pixels.At(493, 484), testing::Rgb565(kRed)) << "a one-pixel outline";
    EXPECT_EQ(pixels.At(492, 484), outline);
    EXPECT_EQ(pixels.At(531, 484), outline);
    EXPECT_EQ(pixels.At(532, 484), 0) << "right edge excluded";
    EXPECT_EQ(pixels.At(512, 503), outline);
    EXPECT_EQ(pixels.At(512, 504), 0) << "bottom edge excluded";
}

// Which pixels a line covers is the raster tests' part; here, the current
// position: LineTo starts from it and moves it, Polyline neither uses nor
// moves it.
TEST_F(GdiTest, LineToFollowsTheCurrentPositionAndPolylineLeavesIt)
{
    (void)SelectObject(dc, CreatePen(PS_SOLID, 0, 0x00FFFFFF));
    (void)MoveToEx(dc, 100, 100, nullptr);
    ASSERT_TRUE(LineTo(dc, 110, 100));
    ASSERT_TRUE(LineTo(dc, 110, 105)); // from where the first line ended
    const POINT points[] = {{110, 10}, {120, 10}};
    ASSERT_TRUE(Polyline(dc, points, 2));
    EXPECT_FALSE(Polyline(dc, points, 1));
    EXPECT_FALSE(Polyline(dc, nullptr, 2));
    POINT previous{};
    (void)MoveToEx(dc, 0, 0, &previous);
    EXPECT_EQ(previous.x, 110);
    EXPECT_EQ(previous.y, 105);
    const testing::Pixels pixels = testing::BackBufferPixels();
    EXPECT_EQ(pixels.At(100, 100), 0xFFFF);
    EXPECT_EQ(pixels.At(100, 101), 0) << "one pixel thick";
    EXPECT_EQ(pixels.At(110, 102), 0xFFFF);
    EXPECT_EQ(pixels.At(115, 10), 0xFFFF);
    EXPECT_EQ(pixels.At(110, 50), 0) << "nothing drawn from the current position";
}

TEST_F(GdiTest, SelectObjectReturnsThePreviousObjectOfItsKind)
{
    const HPEN pen = CreatePen(PS_SOLID, 3, kRed);
    const HBRUSH brush = CreateSolidBrush(kRed);
    const HGDIOBJ stockPen = SelectObject(dc, pen);
    EXPECT_EQ(testing::HandleName(stockPen), "stock7") << "a fresh context has BLACK_PEN";
    const HGDIOBJ stockBrush = SelectObject(dc, brush);
    EXPECT_EQ(testing::HandleName(stockBrush), "stock0") << "and WHITE_BRUSH";
    EXPECT_EQ(SelectObject(dc, stockPen), pen);
    EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_BRUSH)), brush);
    EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(0x4242)), nullptr);
    EXPECT_EQ(SelectObject(nullptr, pen), nullptr);
}

TEST_F(GdiTest, DeleteObjectRefusesNullAndUnknownAndDefersSelectedObjects)
{
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(0x4242)));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH))) << "harmless, and nothing happens";
    const HPEN pen = CreatePen(PS_SOLID, 5, kRed);
    const HGDIOBJ old = SelectObject(dc, pen);
    const int live = testing::LiveGdiObjects();
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(testing::LiveGdiObjects(), live) << "still selected: kept until deselected";
    const POINT points[] = {{50, 50}, {60, 50}};
    EXPECT_TRUE(Polyline(dc, points, 2));
    EXPECT_EQ(testing::BackBufferPixels().At(55, 50), testing::Rgb565(kRed));
    EXPECT_EQ(SelectObject(dc, old), pen);
    EXPECT_EQ(testing::LiveGdiObjects(), live - 1);
    EXPECT_FALSE(DeleteObject(pen)) << "gone now";
    EXPECT_EQ(SelectObject(dc, pen), nullptr);
}

TEST_F(GdiTest, PenPoolIsReusedAndStaleHandlesAreRecognised)
{
    for (int i = 0; i < 1000; ++i) {
        const HPEN pen = CreatePen(PS_SOLID, 1 + i % 20, static_cast<COLORREF>(i));
        ASSERT_NE(pen, nullptr) << i;
        ASSERT_TRUE(DeleteObject(pen));
        EXPECT_FALSE(DeleteObject(pen)) << "a deleted handle is not mistaken for its successor";
    }
    EXPECT_EQ(testing::LiveGdiObjects(), 0);
    std::vector<HPEN> pens;
    for (HPEN pen = CreatePen(PS_SOLID, 1, 0); pen != nullptr; pen = CreatePen(PS_SOLID, 1, 0))
        pens.push_back(pen);
    EXPECT_GE(pens.size(), 16u);
    for (HPEN pen : pens)
        EXPECT_TRUE(DeleteObject(pen));
}

TEST_F(GdiTest, DegenerateAndHugeShapesNeitherCrashNorBreakLaterDrawing)
{
    const HPEN pen = CreatePen(PS_SOLID, 3, 0x00FFFFFF);
    (void)SelectObject(dc, pen);
    EXPECT_TRUE(Ellipse(dc, 10, 10, 10, 10));
    EXPECT_TRUE(Ellipse(dc, 30, 30, 20, 20)) << "reversed corners are normalised";
    EXPECT_TRUE(Ellipse(dc, -2147483647, -2147483647, 2147483647, 2147483647));
    const POINT wild[] = {{-2147483647, 5}, {2147483647, 5}, {5, 5}};
    EXPECT_TRUE(Polyline(dc, wild, 3));
    (void)MoveToEx(dc, 500, 700, nullptr);
    EXPECT_TRUE(LineTo(dc, 510, 700));
    EXPECT_EQ(testing::BackBufferPixels().At(505, 700), 0xFFFF);
}

} // namespace
} // namespace zorbel::test
