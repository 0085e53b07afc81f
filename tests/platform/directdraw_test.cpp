// DirectDraw objects of the stand-in layer: reference counts, the flip
// chain, display modes and surface descriptions. Loss and restore are
// checked on the SDL host and with the program's presenting.
#include "flip_chain.h"

#include <gtest/gtest.h>

namespace zorbel::test {
namespace {

class DirectDrawTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenFlipChain(&chain)); }
    FlipChain chain;
};

TEST_F(DirectDrawTest, ReferenceCountsFollowComRulesAndUnknownInterfacesAreRefused)
{
    const IID other = {
        0x0B2B8630, 0xAD35, 0x11D0, {0x8E, 0xA6, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(chain.display->QueryInterface(other, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(chain.display->QueryInterface(IID_IDirectDraw4, nullptr), E_POINTER);
    // The opened display: QueryInterface's reference, the first's let go.
    // Both interfaces are one object with one count.
    IDirectDraw *first = nullptr;
    ASSERT_EQ(chain.display->QueryInterface(IID_IDirectDraw, reinterpret_cast<void **>(&first)),
              DD_OK);
    EXPECT_NE(static_cast<void *>(first), static_cast<void *>(chain.display));
    EXPECT_EQ(first->AddRef(), 3u);
    EXPECT_EQ(first->Release(), 2u);
    // The back buffer: one reference held by the chain, one by GetAttachedSurface.
    EXPECT_EQ(chain.back->Release(), 1u);
    EXPECT_EQ(chain.primary->Release(), 0u) << "releases the chain with it";
    EXPECT_EQ(testing::BackBufferPixels().width, 0);
    EXPECT_EQ(chain.display->Release(), 1u);
    EXPECT_EQ(first->Release(), 0u);
}

TEST_F(DirectDrawTest, FlipExchangesTheBuffersAndShowsTheDrawnOne)
{
    ASSERT_EQ(Clear(chain.back, 0xF800), DD_OK);
    ASSERT_EQ(Clear(chain.primary, 0x001F), DD_OK);
    EXPECT_EQ(testing::BackBufferPixels().At(5, 5), 0xF800);
    ASSERT_EQ(chain.primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(testing::ScreenPixels().At(1023, 767), 0xF800);
    EXPECT_EQ(testing::BackBufferPixels().At(0, 0), 0x001F);
    EXPECT_EQ(chain.back->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
}

TEST_F(DirectDrawTest, OnlyWholeSurfacesAreFilled)
{
    RECT area{10, 20, 30, 40};
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    EXPECT_EQ(chain.back->Blt(&area, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_UNSUPPORTED);
    fx.dwSize = 99;
    EXPECT_EQ(chain.back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx),
              DDERR_INVALIDPARAMS);
}

TEST_F(DirectDrawTest, DeviceContextLocksTheSurface)
{
    HDC dc = nullptr;
    ASSERT_EQ(chain.back->GetDC(&dc), DD_OK);
    HDC second = nullptr;
    EXPECT_EQ(chain.back->GetDC(&second), DDERR_DCALREADYCREATED);
    EXPECT_EQ(chain.primary->Flip(nullptr, 0), DDERR_SURFACEBUSY);
    EXPECT_EQ(Clear(chain.back), DDERR_SURFACEBUSY);
    EXPECT_EQ(chain.back->ReleaseDC(reinterpret_cast<HDC>(0x55)), DDERR_NODC);
    EXPECT_EQ(chain.back->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(chain.back->ReleaseDC(dc), DDERR_NODC);
    EXPECT_FALSE(Ellipse(dc, 0, 0, 10, 10)) << "a released context draws nothing";
}

// A refused mode is checked with the program's fall-back and its failure
// report, exclusive mode left with the report too.
TEST_F(DirectDrawTest, DepthsOtherThan16AndModesOutsideExclusiveModeAreRefused)
{
    EXPECT_EQ(chain.display->SetDisplayMode(1024, 768, 32, 0, 0), DDERR_INVALIDMODE);
    EXPECT_EQ(testing::CurrentDisplayMode().width, 1024u);
    EXPECT_EQ(chain.display->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
    EXPECT_EQ(chain.primary->Flip(nullptr, 0), DDERR_SURFACELOST) << "a mode change loses surfaces";
    EXPECT_EQ(chain.display->SetCooperativeLevel(chain.window, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(chain.display->SetDisplayMode(640, 480, 16, 0, 0), DDERR_NOEXCLUSIVEMODE);
    ASSERT_EQ(chain.display->SetCooperativeLevel(chain.window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DD_OK);
    IDirectDraw4 *other = nullptr;
    const char *failed = nullptr;
    ASSERT_EQ(OpenDirectDraw4(&other, &failed), DD_OK);
    EXPECT_EQ(other->SetCooperativeLevel(chain.window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DDERR_EXCLUSIVEMODEALREADYSET)
        << "one object at a time holds the screen";
    (void)other->Release();
    (void)chain.back->Release();
    (void)chain.primary->Release();
    IDirectDrawSurface4 *surface = nullptr;
    DDSURFACEDESC2 desc = FlipChainDescription();
    EXPECT_EQ(chain.display->CreateSurface(&desc, &surface, nullptr), DDERR_UNSUPPORTED)
        << "a flip chain needs a display mode";
}

TEST_F(DirectDrawTest, FlipChainDescriptionIsChecked)
{
    IDirectDrawSurface4 *surface = nullptr;
    DDSURFACEDESC2 desc = FlipChainDescription();
    EXPECT_EQ(chain.display->CreateSurface(&desc, &surface, nullptr),
              DDERR_PRIMARYSURFACEALREADYEXISTS);
    (void)chain.back->Release();
    (void)chain.primary->Release();
    desc.dwSize = 120;
    EXPECT_EQ(chain.display->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
    desc = FlipChainDescription();
    desc.dwFlags = DDSD_CAPS;
    EXPECT_EQ(chain.display->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
    desc = FlipChainDescription();
    desc.dwBackBufferCount = 2;
    EXPECT_EQ(chain.display->CreateSurface(&desc, &surface, nullptr), DDERR_UNSUPPORTED);
    EXPECT_EQ(surface, nullptr);
    desc = FlipChainDescription();
    ASSERT_EQ(chain.display->CreateSurface(&desc, &surface, nullptr), DD_OK);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface4 *attached = nullptr;
    EXPECT_EQ(surface->GetAttachedSurface(&caps, &attached), DDERR_NOTFOUND);
}

} // namespace
} // namespace zorbel::test
