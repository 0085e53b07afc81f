// The window procedure: geometry, grabs and releases, close and destroy.
#include "support/program_fixture.h"

#include <sstream>

#include "support/scratch_dir.h"
#include "taclib/taclib_test_support.h"

namespace {

using WindowTest = ProgramTest;

// The same on the simulated device, with the library's log read back.
class WindowSpringTest : public ProgramTest {
protected:
    // What the device was told since the last look: "start", "stop",
    // "update X,Y" (the new centre).
    std::vector<std::string> Told()
    {
        const auto lines = taclib_test::ReadLines(log_);
        std::vector<std::string> told;
        for (std::size_t i = seen_; i < lines.size(); ++i) {
            std::istringstream words(lines[i]);
            std::string sim, spring, id, verb, centre;
            words >> sim >> spring >> id >> verb >> centre;
            if (sim == "sim" && spring == "spring" && verb != "create")
                told.push_back(verb == "update" ? verb + " " + centre.substr(7) : verb);
        }
        seen_ = lines.size();
        return told;
    }

    using List = std::vector<std::string>;
    ScratchDir scratch_{"zorbel-window"};
    std::string log_ = scratch_.Path() + "/taclib.log";
    taclib_test::ScopedEnv device_{"TACLIB_DEVICE", std::string("sim")};
    taclib_test::ScopedEnv logEnv_{"TACLIB_LOG", log_};
    std::size_t seen_ = 0;
};

TEST_F(WindowTest, MoveOrSizeRefreshesGeometryAndRecentres)
{
    StartUp();
    struct Case {
        RECT client;
        POINT centre;
    };
    for (const Case &c : {Case{{0, 0, 800, 600}, {400, 300}}, Case{{0, 0, 1023, 767}, {511, 383}},
                          Case{{0, 0, 0, 0}, {0, 0}}, Case{{0, 0, 1024, 768}, {512, 384}}}) {
        zt::InjectWindowRect(c.client);
        Pump();
        const POINT centre = App.TheLauncher->GetCentre();
        EXPECT_EQ(centre.x, c.centre.x) << c.client.right;
        EXPECT_EQ(centre.y, c.centre.y) << c.client.right;
    }
    EXPECT_EQ(App.TheLauncher->LeftTip.x, 472) << "back in the middle";
}

// Sizes are sent while the window is created, before the launcher exists;
// a press then is ignored.
TEST_F(WindowTest, GeometryAndPressesBeforeTheLauncherExists)
{
    ASSERT_EQ(CreateMainWindow(zt::ProcessInstance(), 1024, 768, SW_SHOWDEFAULT), 1);
    EXPECT_EQ(App.TheLauncher, nullptr);
    EXPECT_EQ(App.ClientRect.right, 1024);
    zt::SetCursorPos(POINT{512, 384});
    EXPECT_EQ(WindowProc(App.MainWindow, WM_LBUTTONDOWN, MK_LBUTTON, 0), 0);
    EXPECT_EQ(App.DragFlag, 0);
    (void)SetUpScene();
    ASSERT_NE(App.TheLauncher, nullptr);
    EXPECT_EQ(App.TheLauncher->GetCentre().x, 512);
}

TEST_F(WindowTest, PressesGrabOnlyOnTheBandAndEveryReleaseEndsTheDrag)
{
    StartUp();
    Press(300, 300);
    EXPECT_EQ(App.DragFlag, 0) << "a press off the band";
    EXPECT_EQ(App.TheLauncher->Engaged, 0);
    Release();

    // Read at the cursor when handled, not from the message.
    zt::SetCursorPos(POINT{300, 300});
    zt::InjectLeftButton(true);
    zt::SetCursorPos(POINT{512, 384});
    Pump();
    EXPECT_EQ(App.DragFlag, 1);
    EXPECT_EQ(App.TheLauncher->Engaged, 1);
    Press(512, 390);
    EXPECT_EQ(App.DragFlag, 1) << "a second press grabs again";
    Release();
    EXPECT_EQ(App.DragFlag, 0) << "one release ends the drag";
}

// A close request quits through the main loop and the orderly shutdown,
// keeping the window and the surfaces; the window's end releases them.
TEST_F(WindowTest, CloseQuitsKeepingTheSurfacesAndDestroyReleasesThem)
{
    StartUp();
    MSG msg{};
    EXPECT_EQ(WindowProc(App.MainWindow, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(zt::LiveWindows(), 1);
    EXPECT_NE(App.Primary, nullptr);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(WindowProc(App.MainWindow, WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(App.Primary, nullptr);
    EXPECT_EQ(App.BallBrush, nullptr);
    EXPECT_NE(App.DirectDraw, nullptr);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
}

// Another program coming to the front, or a minimise, mid-drag: the release
// may never come, so the force stops at once; the drag itself still ends
// with the release. Back in front, or restored, with the band still held,
// the force plays again. Without a drag there is nothing to stop or start.
TEST_F(WindowSpringTest, LosingTheForegroundOrMinimisingMidDragStopsTheForceUntilItIsBack)
{
    StartUp();
    ASSERT_NE(App.Spring, nullptr);
    (void)Told();
    zt::InjectActivation(false);
    Pump();
    EXPECT_EQ(Told(), List{}) << "no drag";

    Press(512, 390);
    EXPECT_EQ(Told(), List{"start"});
    zt::InjectActivation(false);
    Pump();
    EXPECT_EQ(Told(), List{"stop"}) << "the foreground lost";
    EXPECT_EQ(App.DragFlag, 1);
    zt::InjectActivation(true);
    Pump();
    EXPECT_EQ(Told(), List{"start"}) << "back in front, the band still held";
    zt::InjectActivation(true);
    Pump();
    EXPECT_EQ(Told(), List{}) << "already playing";
    Release();
    EXPECT_EQ(Told(), List{"stop"}) << "the release";
    EXPECT_EQ(App.DragFlag, 0);
    zt::InjectActivation(false);
    zt::InjectActivation(true);
    Pump();
    EXPECT_EQ(Told(), List{}) << "let go meanwhile";

    Press(512, 390);
    (void)ShowWindow(App.MainWindow, SW_MINIMIZE);
    List told = Told();
    told.erase(std::remove(told.begin(), told.end(), "update -32000,-32000"), told.end());
    EXPECT_EQ(told, (List{"start", "stop"})) << "minimised (the centre: the next test)";
    EXPECT_EQ(App.DragFlag, 1);
    zt::InjectActivation(false);
    Pump();
    (void)Told(); // whatever stopping again tells the device
    (void)ShowWindow(App.MainWindow, SW_RESTORE);
    Pump();
    EXPECT_EQ(Told(), (List{"update 512,384", "update 512,384"})) << "restored behind another";
    zt::InjectActivation(true);
    Pump();
    EXPECT_EQ(Told(), List{"start"}) << "restored and in front";
    Release();
    EXPECT_EQ(Told(), List{"stop"});
}

// A minimised window's middle is far off the screen: the spring keeps its
// centre, and gets the rest centre again on the restore. The window covers
// the display mode it got, also the smaller one taken when the first is
// refused, before and after the restore.
TEST_F(WindowSpringTest, AMinimisedWindowNeverMovesTheSpringsCentre)
{
    struct Case {
        bool refuseFirstMode;
        LONG width, height;
        std::string centre;
    };
    for (const Case &c : {Case{false, 1024, 768, "512,384"}, Case{true, 800, 600, "400,300"}}) {
        if (c.refuseFirstMode)
            zt::RefuseDisplayMode(1024, 768, 16);
        StartUp();
        ASSERT_NE(App.Spring, nullptr);
        EXPECT_EQ(App.ClientRect.right, c.width);
        (void)Told();
        (void)ShowWindow(App.MainWindow, SW_MINIMIZE);
        EXPECT_EQ(Told(), List{}) << c.width;
        (void)ShowWindow(App.MainWindow, SW_RESTORE);
        EXPECT_EQ(Told(), (List{"update " + c.centre, "update " + c.centre}))
            << c.width << ": a move and a size";
        EXPECT_EQ(App.ClientRect.right, c.width);
        EXPECT_EQ(App.ClientRect.bottom, c.height);
        EXPECT_EQ(App.ClientBottomRight.x, c.width) << "the client corner on the screen";
        EXPECT_EQ(App.TheLauncher->GetCentre().x, c.width / 2);
        EXPECT_EQ(App.TheLauncher->GetCentre().y, c.height / 2);
        Shutdown();
        zt::Reset();
        App = AppState{};
    }
}

} // namespace
