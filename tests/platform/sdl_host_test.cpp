// The SDL host on a real X server (run under Xvfb; skipped without DISPLAY):
// events become messages and surfaces are lost as the screen dictates.
// Presentation, scaling and the cursor in mode pixels are checked by the
// sample program's run (run_sample_app.sh), modes too large by its refusal.
#include "flip_chain.h"
#include "platform/standin/platform_state.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace zorbel::test {
namespace {

class SdlHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no X display: run under xvfb-run (test platform_sdl_tests_xvfb)";
        standin::ResetPlatform(nullptr); // the SDL host
        window = CreateTestWindow();
        ASSERT_NE(window, nullptr);
        const char *failed = "";
        ASSERT_EQ(OpenDirectDraw4(&display, &failed), DD_OK) << failed;
        ASSERT_EQ(display->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    }
    void TearDown() override { testing::Reset(); }

    void OpenChain()
    {
        const char *failed = "";
        ASSERT_EQ(display->SetDisplayMode(1024, 768, 16, 0, 0), DD_OK);
        ASSERT_EQ(CreateFlipChain(display, &primary, &back, &failed), DD_OK) << failed;
        (void)ShowWindow(window, SW_SHOW);
    }

    // Lets SDL deliver what the X server did, then takes the next message.
    bool Next(MSG *msg)
    {
        for (int i = 0; i < 50; ++i) {
            if (PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE))
                return true;
            SDL_Delay(10);
        }
        return false;
    }

    Uint32 WindowId() const
    {
        return standin::NativeWindowId(*standin::FindWindowSlot(window));
    }

    HWND window = nullptr;
    IDirectDraw4 *display = nullptr;
    IDirectDrawSurface4 *primary = nullptr;
    IDirectDrawSurface4 *back = nullptr;
};

TEST_F(SdlHostTest, KeysButtonsAndCloseRequestsBecomeMessages)
{
    OpenChain();
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = WindowId();
    event.key.keysym.sym = SDLK_ESCAPE;
    event.key.repeat = 1;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    MSG msg{};
    ASSERT_TRUE(Next(&msg));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ(msg.lParam, static_cast<LPARAM>(1 | (1 << 30))) << "a repeat, with no scan code";

    event = SDL_Event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.windowID = WindowId();
    event.button.button = SDL_BUTTON_LEFT;
    event.button.clicks = 2; // a double click is still a plain press
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    ASSERT_TRUE(Next(&msg));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(MK_LBUTTON));

    ReceivedMessages().clear();
    event = SDL_Event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = WindowId();
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    (void)Next(&msg);
    EXPECT_EQ(testing::LiveWindows(), 0) << "the default procedure destroyed the window";
    ASSERT_FALSE(ReceivedMessages().empty());
    EXPECT_EQ(ReceivedMessages()[0].message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(SdlHostTest, MinimisingLosesTheSurfacesUntilRestored)
{
    OpenChain();
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = WindowId();
    event.window.event = SDL_WINDOWEVENT_MINIMIZED;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    MSG msg{};
    (void)Next(&msg);
    EXPECT_TRUE(IsIconic(window));
    EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Restore(), DDERR_WRONGMODE);
    event.window.event = SDL_WINDOWEVENT_RESTORED;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    (void)Next(&msg);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(primary->Restore(), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK);
}

TEST_F(SdlHostTest, ADeviceResetLosesTheSurfaces)
{
    OpenChain();
    SDL_Event event{};
    event.type = SDL_RENDER_DEVICE_RESET;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    MSG msg{};
    (void)Next(&msg);
    HDC dc = nullptr;
    EXPECT_EQ(back->GetDC(&dc), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Restore(), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK) << "the texture is made anew";
}

} // namespace
} // namespace zorbel::test
