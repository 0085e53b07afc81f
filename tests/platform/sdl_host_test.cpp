// The SDL host on a real X server (run under Xvfb; skipped without DISPLAY):
// events become messages and surfaces are lost as the screen dictates.
// Presentation, scaling and the cursor in mode pixels are checked by the
// program's own end-to-end run (tests/e2e/native_test.sh: screens of several
// sizes, and one too small, which is refused). Controllers are SDL's virtual
// joysticks.
#include "flip_chain.h"
#include "platform/standin/platform_state.h"
#include "platform/standin/sdl_coordinates.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace zorbel::test {
namespace {

class SdlHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no X display: run under Xvfb (the test platform.sdl_host_on_xvfb)";
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

    // Takes the next message, waiting up to 5 s for SDL to deliver what the
    // X server did.
    bool Next(MSG *msg)
    {
        const Uint32 deadline = SDL_GetTicks() + 5000;
        while (!PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE)) {
            if (SDL_TICKS_PASSED(SDL_GetTicks(), deadline))
                return false;
            SDL_Delay(5);
        }
        return true;
    }

    Uint32 WindowId() const { return standin::NativeWindowId(*standin::FindWindowSlot(window)); }

    static std::vector<Received>::iterator FirstActivation()
    {
        std::vector<Received> &got = ReceivedMessages();
        return std::find_if(got.begin(), got.end(),
                            [](const Received &m) { return m.message == WM_ACTIVATEAPP; });
    }

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

    // Pushes a press of the left button on the window and takes its message.
    void PressLeft()
    {
        SDL_Event event{};
        event.type = SDL_MOUSEBUTTONDOWN;
        event.button.windowID = WindowId();
        event.button.button = SDL_BUTTON_LEFT;
        event.button.clicks = 1;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        MSG msg{};
        ASSERT_TRUE(Next(&msg));
        ASSERT_EQ(msg.message, static_cast<UINT>(WM_LBUTTONDOWN));
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

    // The focus going and coming: another program in front, and back. (The
    // server's focus, which these events do not move, may be told after.)
    for (const Uint8 what : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_GAINED}) {
        ReceivedMessages().clear();
        WindowEvent(what);
        const auto told = FirstActivation();
        ASSERT_NE(told, ReceivedMessages().end());
        EXPECT_EQ(told->wParam, static_cast<WPARAM>(what == SDL_WINDOWEVENT_FOCUS_GAINED));
    }

    ReceivedMessages().clear();
    WindowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(testing::LiveWindows(), 0) << "the default procedure destroyed the window";
    ASSERT_FALSE(ReceivedMessages().empty());
    EXPECT_EQ(ReceivedMessages()[0].message, static_cast<UINT>(WM_CLOSE));
}

// A press on the window while another has the focus, which never comes to
// the window (nor does SDL tell any change of it): the program, which takes
// itself for in front on a press, is told at the next looks at the server
// that it is not.
TEST_F(SdlHostTest, APressTheFocusNeverFollowsIsToldAsTheFocusElsewhere)
{
    SDL_Window *other = SDL_CreateWindow("other", 0, 0, 64, 64, SDL_WINDOW_SHOWN);
    ASSERT_NE(other, nullptr) << SDL_GetError();
    SDL_SetWindowInputFocus(other);
    MSG msg{};
    const Uint32 deadline = SDL_GetTicks() + 5000;
    while (SDL_GetKeyboardFocus() != other && !SDL_TICKS_PASSED(SDL_GetTicks(), deadline))
        (void)PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    ASSERT_EQ(SDL_GetKeyboardFocus(), other);
    (void)Next(&msg); // whatever SDL told goes first

    ReceivedMessages().clear();
    PressLeft();
    const Uint32 told = SDL_GetTicks() + 5000;
    while (FirstActivation() == ReceivedMessages().end() && !SDL_TICKS_PASSED(SDL_GetTicks(), told))
        (void)PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    const auto activation = FirstActivation();
    ASSERT_NE(activation, ReceivedMessages().end()) << "never told the focus is elsewhere";
    EXPECT_EQ(activation->wParam, static_cast<WPARAM>(FALSE));
    SDL_DestroyWindow(other);
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

// A press, then the window minimised (the release, made elsewhere, never
// comes to it), then restored by the program itself, with no event of SDL's
// to say so: the release it missed is made up all the same, once the
// program has shown a frame of the window restored (its frames while
// minimised followed the pointer by a far-off origin).
TEST_F(SdlHostTest, AReleaseMissedWhileMinimisedIsMadeUpOnceAFrameIsShownBack)
{
    MSG msg{};
    // The window's own showing told first (it too would make the release up).
    const Uint32 settled = SDL_GetTicks() + 500;
    while (!SDL_TICKS_PASSED(SDL_GetTicks(), settled))
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            SDL_Delay(5);
    PressLeft();
    WindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    ASSERT_TRUE(IsIconic(window));
    (void)ShowWindow(window, SW_RESTORE);
    ASSERT_FALSE(IsIconic(window));
    // Pumps for a while, presenting a frame first if asked to; whether the
    // release came.
    auto released = [&](bool present, Uint32 forMs) {
        if (present) {
            EXPECT_EQ(primary->Restore(), DD_OK);
            EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK);
        }
        const Uint32 deadline = SDL_GetTicks() + forMs;
        while (!SDL_TICKS_PASSED(SDL_GetTicks(), deadline)) {
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                SDL_Delay(5);
            else if (msg.message == WM_LBUTTONUP)
                return true;
        }
        return false;
    };
    EXPECT_FALSE(released(false, 100)) << "made up before the program showed a frame";
    EXPECT_TRUE(released(true, 2000)) << "the program would go on holding the band";
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

// A virtual controller: a pad (a game controller by SDL's own mapping) or a
// wheel, plugged in for the test and unplugged when it ends.
class Controller {
public:
    explicit Controller(SDL_JoystickType type, Uint16 axes = 0)
    {
        const bool pad = type == SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = static_cast<Uint16>(type);
        desc.naxes = axes != 0 ? axes : pad ? SDL_CONTROLLER_AXIS_MAX : 2;
        desc.nbuttons = pad ? SDL_CONTROLLER_BUTTON_MAX : 2;
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0)
            handle = SDL_JoystickOpen(index = SDL_JoystickAttachVirtualEx(&desc));
    }
    ~Controller()
    {
        Unplug();
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
    void Axis(int axis, Sint16 value) { (void)SDL_JoystickSetVirtualAxis(handle, axis, value); }
    void Button(int button, bool down)
    {
        (void)SDL_JoystickSetVirtualButton(handle, button, down ? 1 : 0);
    }
    void Unplug()
    {
        if (handle == nullptr)
            return;
        SDL_JoystickClose(handle);
        handle = nullptr;
        (void)SDL_JoystickDetachVirtual(index);
    }
    SDL_Joystick *handle = nullptr;
    int index = -1;
};

class SdlControllerTest : public SdlHostTest {
protected:
    // Lets the host take what the controllers did and dispatches the
    // messages it gave; `cursor` is then where the program would find the
    // cursor. A virtual controller's state is read by the next pump, so two
    // pumps see it through; what goes by way of the X server (the mouse
    // moved along) comes later, so a caller expecting that says what it
    // waits for, for up to 5 s.
    std::vector<UINT> Settle(const std::function<bool()> &until = nullptr)
    {
        std::vector<UINT> messages;
        MSG msg{};
        const Uint32 deadline = SDL_GetTicks() + 5000;
        for (int pump = 0;; ++pump) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                messages.push_back(msg.message);
                (void)DispatchMessageA(&msg);
            }
            (void)GetCursorPos(&cursor);
            if (pump >= 1 && (!until || until()))
                break;
            if (SDL_TICKS_PASSED(SDL_GetTicks(), deadline))
                break;
            SDL_Delay(5);
        }
        return messages;
    }
    // Moves the mouse to (X, Y) of the window, as the user would, and waits
    // until the motion has come back from the X server.
    void WarpMouse(int x, int y)
    {
        SDL_WarpMouseInWindow(SDL_GetWindowFromID(WindowId()), x, y);
        (void)Settle([&] {
            int mx = -1;
            int my = -1;
            (void)SDL_GetMouseState(&mx, &my);
            return mx == x && my == y;
        });
    }
    // Whether SDL has the mouse where the host has the cursor.
    bool MouseAtCursor() const
    {
        const POINT shown = SdlMouse();
        return shown.x == cursor.x && shown.y == cursor.y;
    }
    // The left mouse button, as SDL hands it on, at the mouse's place.
    void MouseButton(bool down)
    {
        SDL_Event event{};
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = WindowId();
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = 1;
        (void)SDL_GetMouseState(&event.button.x, &event.button.y);
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    // One turn of the pump: what a controller did since is seen once.
    std::vector<UINT> Pump()
    {
        std::vector<UINT> messages;
        MSG msg{};
        SDL_Delay(2);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            messages.push_back(msg.message);
            (void)DispatchMessageA(&msg);
        }
        return messages;
    }
    // Where SDL itself has the mouse, in the picture's pixels.
    POINT SdlMouse() const
    {
        int x = 0;
        int y = 0;
        (void)SDL_GetMouseState(&x, &y);
        return zorbel::standin::WindowToPicture(SDL_GetRenderer(SDL_GetWindowFromID(WindowId())), x,
                                                y);
    }
    POINT cursor{-1, -1};
};

using Messages = std::vector<UINT>;

// The band rests in the middle of the 1024 x 768 client area, and half the
// diagonal (640 pixels) reaches its corners.
TEST_F(SdlControllerTest, APadsStickAndButtonsPullTheBandAndTheMouseTakesThePointerBack)
{
    Controller pad(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
    ASSERT_NE(pad.handle, nullptr) << SDL_GetError();
    (void)Settle();

    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONDOWN});
    EXPECT_EQ(cursor.x, 512);
    EXPECT_EQ(cursor.y, 384) << "a stick at rest holds the band where it rests";

    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 3000);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -6000); // inside the dead zone
    (void)Settle();
    EXPECT_EQ(cursor.x, 512);
    EXPECT_EQ(cursor.y, 384);

    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 8200); // just past it: no jump
    (void)Settle();
    EXPECT_EQ(cursor.x, 512);
    EXPECT_GT(cursor.y, 384);
    EXPECT_LT(cursor.y, 384 + 16);

    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, -26214); // full deflection, toward the corner
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -19660);
    (void)Settle([&] { return MouseAtCursor(); });
    EXPECT_EQ(cursor.x, 0);
    EXPECT_EQ(cursor.y, 0);
    const POINT shown = SdlMouse();
    EXPECT_EQ(shown.x, 0) << "the mouse is moved along";
    EXPECT_EQ(shown.y, 0);

    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 32767);
    (void)Settle([&] { return MouseAtCursor(); });
    EXPECT_EQ(cursor.x, 512);
    EXPECT_EQ(cursor.y, 767) << "held at the edge, as the mouse is";
    EXPECT_EQ(SdlMouse().y, 767);

    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 0); // let go of the stick
    (void)Settle([&] { return MouseAtCursor(); });
    EXPECT_EQ(cursor.y, 384);
    EXPECT_EQ(SdlMouse().y, 384);

    pad.Button(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONUP});

    // The mouse moved by the user: the pointer is the mouse's at once, and
    // the stick's again when the stick moves.
    WarpMouse(100, 200);
    const POINT mouse = SdlMouse();
    EXPECT_EQ(cursor.x, mouse.x);
    EXPECT_EQ(cursor.y, mouse.y);
    EXPECT_NE(cursor.y, 767);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 32000);
    (void)Settle();
    EXPECT_EQ(cursor.y, 767);

    // The right trigger holds the band too; unplugged, the pad lets go.
    pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 30000);
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONDOWN});
    pad.Unplug();
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONUP});
}

// Back ending the program as Escape does is checked end to end with a pad
// (tests/e2e/device_test.sh).
TEST_F(SdlControllerTest, AWheelPullsAlongOneAxisAndNothingActsBehindAnotherWindow)
{
    Controller wheel(SDL_JOYSTICK_TYPE_WHEEL);
    ASSERT_NE(wheel.handle, nullptr) << SDL_GetError();
    (void)Settle();
    wheel.Button(0, true);
    wheel.Axis(0, 32767);
    wheel.Axis(1, 32767); // a pedal, say: not a pull
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONDOWN});
    EXPECT_EQ(cursor.x, 1023);
    EXPECT_EQ(cursor.y, 384);
    wheel.Button(0, false);
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONUP});

    // Another window in front: the wheel neither moves the pointer nor
    // presses, even where SDL hands on its events (as for rumble).
    (void)SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_Window *other = SDL_CreateWindow("other", 0, 0, 64, 64, SDL_WINDOW_SHOWN);
    SDL_SetWindowInputFocus(other);
    (void)Settle([&] { return SDL_GetKeyboardFocus() == other; });
    ASSERT_EQ(SDL_GetKeyboardFocus(), other);
    wheel.Axis(0, -32767);
    wheel.Button(0, true);
    EXPECT_EQ(Settle(), Messages{});
    EXPECT_NE(cursor.x, 0);
    SDL_DestroyWindow(other);
    (void)SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "0");
}

// Controllers at the kernel's interface (the evdev stand-in preloaded, with
// its control FIFO named in EVDEV_STANDIN_CONTROL), where SDL reads where
// each axis rests as it would from a real device.
class SdlEvdevControllerTest : public SdlControllerTest {
protected:
    void SetUp() override
    {
        control_ = std::getenv("EVDEV_STANDIN_CONTROL");
        if (control_ == nullptr)
            GTEST_SKIP() << "needs the evdev stand-in (test platform.controllers_on_evdev)";
        SdlControllerTest::SetUp();
    }
    // Sends commands to the stand-in, then lets SDL deliver until its own
    // state of the node's first joystick shows AXIS at VALUE.
    Messages SendUntil(const std::string &commands, int axis, Sint16 value)
    {
        std::ofstream(control_) << commands << std::flush;
        Messages messages;
        SDL_Joystick *joystick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(0));
        for (int i = 0; i < 100; ++i) {
            const Messages got = Settle();
            messages.insert(messages.end(), got.begin(), got.end());
            if (joystick != nullptr && SDL_JoystickGetAxis(joystick, axis) == value)
                break;
        }
        const Messages got = Settle();
        messages.insert(messages.end(), got.begin(), got.end());
        return messages;
    }
    const char *control_ = nullptr;
};

// A wheel SDL does not know as a game controller (event31: steering ABS_X
// resting in its middle, pedals ABS_Y and ABS_Z resting at 0). Pressed or
// let go, the pedals never move the pointer, and the wheel's button grabs
// the band where it rests.
TEST_F(SdlEvdevControllerTest, AnUnknownWheelPullsWithItsSteeringOnlyNeverItsPedals)
{
    (void)Settle();
    ASSERT_EQ(SDL_IsGameController(0), SDL_FALSE);
    EXPECT_EQ(SendUntil("event31 abs 1 255\nevent31 abs 2 255\nevent31 syn\n", 2, 32767),
              Messages{});
    EXPECT_EQ(SendUntil("event31 key 288 1\nevent31 syn\n", 2, 32767), Messages{WM_LBUTTONDOWN});
    EXPECT_EQ(cursor.x, 512);
    EXPECT_EQ(cursor.y, 384) << "the band grabbed where it rests";
    (void)SendUntil("event31 abs 1 0\nevent31 abs 2 0\nevent31 abs 0 1023\nevent31 syn\n", 0,
                    32767);
    EXPECT_EQ(cursor.x, 1023);
    EXPECT_EQ(cursor.y, 384);
    EXPECT_EQ(SendUntil("event31 key 288 0\nevent31 syn\n", 0, 32767), Messages{WM_LBUTTONUP});
}

// A stick trembling across the dead zone's edge (7864 on a pad): while the
// mouse holds the band it takes nothing, and once it has left its rest it is
// not back at rest until well inside, so the mouse keeps the pointer it
// took back.
TEST_F(SdlControllerTest, AStickTremblingAtTheDeadZonesEdgeTakesNothingFromTheMouse)
{
    Controller pad(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
    ASSERT_NE(pad.handle, nullptr) << SDL_GetError();
    (void)Settle();
    WarpMouse(300, 500);
    const POINT mouse = SdlMouse();
    MouseButton(true);
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONDOWN});
    Messages messages;
    for (int i = 0; i < 20; ++i) {
        for (const Sint16 value : {7950, 7800}) {
            pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, value);
            const Messages pumped = Pump();
            messages.insert(messages.end(), pumped.begin(), pumped.end());
        }
    }
    EXPECT_EQ(messages, Messages{});
    (void)Settle();
    EXPECT_EQ(cursor.x, mouse.x) << "the mouse holds the band";
    EXPECT_EQ(cursor.y, mouse.y);
    MouseButton(false);
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONUP});

    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
    (void)Settle();
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 7950);
    (void)Settle();
    EXPECT_EQ(cursor.x, 512) << "the stick left its rest";
    WarpMouse(300, 500);
    for (int i = 0; i < 10; ++i) {
        for (const Sint16 value : {7800, 7950})
            pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, value), (void)Pump();
    }
    (void)Settle();
    EXPECT_EQ(cursor.x, mouse.x) << "the trembling stick took the pointer back";
    EXPECT_EQ(cursor.y, mouse.y);
}

// Two pads: the one that grabbed holds the band until its own release; the
// other's button and stick meanwhile change nothing.
TEST_F(SdlControllerTest, TheControllerThatGrabbedHoldsTheBandUntilItsOwnRelease)
{
    Controller a(SDL_JOYSTICK_TYPE_GAMECONTROLLER), b(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
    ASSERT_NE(a.handle, nullptr) << SDL_GetError();
    ASSERT_NE(b.handle, nullptr) << SDL_GetError();
    (void)Settle();
    a.Axis(SDL_CONTROLLER_AXIS_LEFTY, 32767);
    (void)Settle();
    EXPECT_EQ(cursor.y, 767);
    b.Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONDOWN});
    EXPECT_EQ(cursor.y, 384) << "B's stick at rest";
    b.Axis(SDL_CONTROLLER_AXIS_LEFTY, -32767);
    (void)Settle();
    EXPECT_EQ(cursor.y, 0);
    a.Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(Settle(), Messages{});
    a.Button(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(Settle(), Messages{});
    EXPECT_EQ(cursor.y, 0);
    a.Axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
    (void)Settle();
    a.Axis(SDL_CONTROLLER_AXIS_LEFTY, 32767);
    (void)Settle();
    EXPECT_EQ(cursor.y, 0);
    b.Button(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(Settle(), Messages{WM_LBUTTONUP});
}

} // namespace
} // namespace zorbel::test
