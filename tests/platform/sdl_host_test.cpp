// The SDL host on a real X server (run under Xvfb; skipped without DISPLAY):
// events become messages and surfaces are lost as the screen dictates.
// Presentation, scaling and the cursor in mode pixels are checked by the
// program's own end-to-end run (tests/e2e/native_test.sh: screens of several
// sizes, and one too small, which is refused).
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
        ASSERT_EQ(TakeScreen(display, window, 1024, 768, &failed), DD_OK) << failed;
        ASSERT_EQ(CreateFlipChain(display, &primary, &back, &failed), DD_OK) << failed;
        (void)ShowWindow(window, SW_SHOW);
    }
    void TearDown() override { testing::Reset(); }

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

    Uint32 WindowId() const { return standin::NativeWindowId(*standin::FindWindowSlot(window)); }

    // Pushes an event of the window's and lets it be delivered.
    void WindowEvent(Uint8 what)
    {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = WindowId();
        event.window.event = what;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        MSG msg{};
        (void)Next(&msg);
    }

    HWND window = nullptr;
    IDirectDraw4 *display = nullptr;
    IDirectDrawSurface4 *primary = nullptr;
    IDirectDrawSurface4 *back = nullptr;
};

// Keys and presses as such are checked by the program's end-to-end run; here,
// what it cannot show: a repeat's flags, a double click that is still a
// plain press, the focus going and coming, and a close request going to the
// window procedure.
TEST_F(SdlHostTest, RepeatsDoubleClicksFocusAndCloseRequestsBecomeMessages)
{
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = WindowId();
    event.key.keysym.sym = SDLK_ESCAPE;
    event.key.repeat = 1;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    MSG msg{};
    ASSERT_TRUE(Next(&msg));
    EXPECT_EQ(msg.lParam, static_cast<LPARAM>(1 | (1 << 30))) << "a repeat, with no scan code";

    event = SDL_Event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.windowID = WindowId();
    event.button.button = SDL_BUTTON_LEFT;
    event.button.clicks = 2;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    ASSERT_TRUE(Next(&msg));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(MK_LBUTTON));

    // The focus going and coming: another program in front, and back.
    for (const Uint8 what : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_GAINED}) {
        ReceivedMessages().clear();
        WindowEvent(what);
        ASSERT_FALSE(ReceivedMessages().empty());
        EXPECT_EQ(ReceivedMessages().back().message, static_cast<UINT>(WM_ACTIVATEAPP));
        EXPECT_EQ(ReceivedMessages().back().wParam,
                  static_cast<WPARAM>(what == SDL_WINDOWEVENT_FOCUS_GAINED));
    }

    ReceivedMessages().clear();
    WindowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(testing::LiveWindows(), 0) << "the default procedure destroyed the window";
    ASSERT_FALSE(ReceivedMessages().empty());
    EXPECT_EQ(ReceivedMessages()[0].message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(SdlHostTest, MinimisingEmptiesTheClientAreaAndLosesTheSurfacesUntilRestored)
{
    WindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_TRUE(IsIconic(window));
    RECT client{1, 1, 1, 1};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 0);
    EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Restore(), DDERR_WRONGMODE);
    WindowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_FALSE(IsIconic(window));
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 1024) << "the size is reported again";
    EXPECT_EQ(primary->Restore(), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK);
}

TEST_F(SdlHostTest, ADeviceResetLosesTheSurfaces)
{
    SDL_Event event{};
    event.type = SDL_RENDER_DEVICE_RESET;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    MSG msg{};
    (void)Next(&msg);
    HDC dc = reinterpret_cast<HDC>(1);
    EXPECT_EQ(back->GetDC(&dc), DDERR_SURFACELOST);
    EXPECT_EQ(dc, nullptr);
    EXPECT_EQ(primary->Restore(), DD_OK);
    ASSERT_EQ(back->GetDC(&dc), DD_OK) << "restoring the primary restores its chain";
    EXPECT_EQ(back->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK) << "the texture is made anew";
}

} // namespace
} // namespace zorbel::test
