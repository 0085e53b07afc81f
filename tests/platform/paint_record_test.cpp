// What a buffer's pixels were made of: equal records mean equal pixels, a
// fill after drawing leaves no pixel of the drawing behind, and a window
// shows a picture again only in the setting it was presented in.
#include "platform/standin/pixel_buffer.h"
#include "platform/standin/shown_picture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace zorbel::standin;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

bool SamePixels(const PixelBuffer &a, const PixelBuffer &b)
{
    for (int y = 0; y < kHeight; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), kWidth * 2) != 0)
            return false;
    return true;
}

int PixelsNot(const PixelBuffer &buffer, std::uint16_t pixel)
{
    int count = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            count += buffer.Row(y)[x] != pixel ? 1 : 0;
    return count;
}

// A frame of shapes of every kind, some cut by the edges, placed by `at`.
void DrawFrame(PixelBuffer &buffer, long at)
{
    Raster &raster = *buffer.Drawing();
    const RasterPoint band[] = {{2, 40}, {at, 20}, {62, 40}, {70, -5}};
    raster.Polyline(band, 4, 5, 0x07E0);
    raster.Line(at, 0, 0, at, 1, 0xF800);
    raster.Line(-10, at, at, 60, 3, 0x001F);
    raster.Ellipse(at - 6, 10, at + 6, 22, true, 0xFFFF, true, 0x1234);
    raster.Dot(at, 47, 9, 0x4321);
}

TEST(PaintRecord, EqualRecordsHoldEqualPixelsAndAFillLeavesNothingBehind)
{
    PixelBuffer a(kWidth, kHeight);
    PixelBuffer b(kWidth, kHeight);
    EXPECT_FALSE(a.Record().Same(b.Record())) << "pixels nobody filled are not known";
    for (long at : {30L, 30L, 12L, 63L}) {
        a.Fill(0);
        DrawFrame(a, at);
        b.Fill(0);
        DrawFrame(b, 30);
        EXPECT_EQ(a.Record().Same(b.Record()), at == 30) << at;
        EXPECT_EQ(SamePixels(a, b), at == 30) << at;
    }
    // Fills of the colour the buffer was filled with last, and of another.
    for (std::uint16_t pixel : {0x0000, 0x0000, 0xABCD, 0xABCD}) {
        DrawFrame(a, 5);
        DrawFrame(a, 50);
        a.Fill(pixel);
        EXPECT_EQ(PixelsNot(a, pixel), 0) << pixel;
    }
}

TEST(ShownPicture, ShowsOnlyThePicturePresentedInItsSettingUntilForgotten)
{
    PixelBuffer buffer(kWidth, kHeight);
    ShownPicture shown;
    const PresentSetting setting{1024, 768, kWidth, kHeight, 1024, 768, 1};
    shown.Presented(buffer.Record(), setting);
    EXPECT_FALSE(shown.Shows(buffer.Record(), setting)) << "a buffer nobody filled";
    buffer.Fill(0);
    DrawFrame(buffer, 30);
    EXPECT_FALSE(shown.Shows(buffer.Record(), setting));
    shown.Presented(buffer.Record(), setting);
    EXPECT_TRUE(shown.Shows(buffer.Record(), setting));
    // Every part of the setting counts.
    for (int part = 0; part < 7; ++part) {
        PresentSetting changed = setting;
        int *const parts[] = {&changed.windowWidth,   &changed.windowHeight, &changed.pictureWidth,
                              &changed.pictureHeight, &changed.modeWidth,    &changed.modeHeight};
        if (part < 6)
            ++*parts[part];
        else
            ++changed.surfaces;
        EXPECT_FALSE(shown.Shows(buffer.Record(), changed)) << part;
    }
    buffer.Fill(0);
    DrawFrame(buffer, 31);
    EXPECT_FALSE(shown.Shows(buffer.Record(), setting));
    buffer.Fill(0);
    DrawFrame(buffer, 30);
    EXPECT_TRUE(shown.Shows(buffer.Record(), setting)) << "drawn again alike";
    shown.Forget();
    EXPECT_FALSE(shown.Shows(buffer.Record(), setting));
}

} // namespace
