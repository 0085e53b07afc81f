// Opening, presenting and releasing the display, and the fatal report.
#include "support/program_fixture.h"

namespace {

using DisplayTest = ProgramTest;

TEST_F(DisplayTest, EachSetUpFailureIsReportedOnceAndEndsTheProgram)
{
    struct Case {
        const char *call;
        HRESULT result;
        const char *text;
    };
    const Case cases[] = {
        {"DirectDrawCreate", DDERR_GENERIC, "DirectDrawCreate FAILED"},
        {"QueryInterface", E_NOINTERFACE, "QueryInterface FAILED"},
        {"SetCooperativeLevel", DDERR_GENERIC, "SetCooperativeLevel FAILED"},
        {"CreateSurface", DDERR_OUTOFMEMORY, "CreateSurface FAILED"},
        {"GetAttachedSurface", DDERR_NOTFOUND, "GetAttachedSurface FAILED"},
        {nullptr, DD_OK, "SetDisplayMode FAILED"},
    };
    for (const Case &c : cases) {
        zt::Reset();
        App = AppState{};
        if (c.call != nullptr) {
            zt::ScriptResults(c.call, {c.result});
        } else {
            zt::RefuseDisplayMode(1024, 768, 16);
            zt::RefuseDisplayMode(800, 600, 16);
        }
        EXPECT_EQ(RunProgram([](std::uint64_t) {}), 1) << c.text;
        const auto boxes = zt::MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << c.text;
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, "Zorbel Demo");
        EXPECT_EQ(boxes[0].owner, ResultOf("CreateWindowExA")) << "owned by the program's window";
        EXPECT_EQ(boxes[0].type, MB_OK);
        EXPECT_TRUE(Calls("Flip").empty()) << c.text << ": no frame after a failed set-up";
        EXPECT_EQ(App.TheLauncher, nullptr);
        EXPECT_EQ(zt::LiveWindows(), 0) << "the window is destroyed";
        EXPECT_EQ(App.Primary, nullptr);
        EXPECT_EQ(App.BackBuffer, nullptr);
        EXPECT_FALSE(zt::CurrentDisplayMode().exclusive)
            << "exclusive mode left before the message";
        // The first interface is released whatever happens after it.
        if (c.call == nullptr || std::string(c.call) != "DirectDrawCreate") {
            EXPECT_FALSE(Calls("Release " + ResultOf("DirectDrawCreate")).empty()) << c.text;
        }
    }
    EXPECT_EQ(App.DisplayWidth, 800) << "both modes refused: 800 x 600 is kept";
}

TEST_F(DisplayTest, PresentAsksAgainOnlyWhileStillDrawing)
{
    struct Case {
        const char *name;
        std::vector<HRESULT> flips;
        std::size_t flipCalls;
    };
    const HRESULT still = DDERR_WASSTILLDRAWING;
    // A lost surface is restored once a frame, as the next test shows.
    const Case cases[] = {
        {"still drawing 3 times", {still, still, still, DD_OK}, 4},
        {"other error", {DDERR_GENERIC}, 1},
    };
    for (const Case &c : cases) {
        zt::Reset();
        App = AppState{};
        StartUp();
        zt::ScriptResults("Flip", c.flips);
        zt::ClearCallLog();
        Present();
        EXPECT_EQ(Calls("Flip").size(), c.flipCalls) << c.name;
        EXPECT_TRUE(Calls("Restore").empty()) << c.name;
        Shutdown();
    }
}

TEST_F(DisplayTest, AFailedRestoreIsTriedAgainEachFrame)
{
    StartUp();
    zt::LoseSurfaces();
    zt::ScriptResults("Restore", {DDERR_GENERIC, DDERR_GENERIC});
    zt::ClearCallLog();
    for (int frame = 0; frame < 3; ++frame)
        Present();
    EXPECT_EQ(Calls("Flip").size(), 3u);
    EXPECT_EQ(Calls("Restore").size(), 3u);
    zt::ClearCallLog();
    Present();
    EXPECT_EQ(Calls("Flip " + zt::HandleName(App.Primary) + " null 0x0 -> DD_OK").size(), 1u)
        << "flips work again";
}

TEST_F(DisplayTest, ReleasingTwiceReleasesOnce)
{
    StartUp();
    const std::string released[] = {"DeleteObject " + zt::HandleName(App.BallBrush),
                                    "DeleteObject " + zt::HandleName(App.OutlinePen),
                                    "Release " + zt::HandleName(App.BackBuffer),
                                    "Release " + zt::HandleName(App.Primary)};
    zt::ClearCallLog();
    (void)ReleaseSurfaces(App.MainWindow);
    (void)ReleaseSurfaces(App.MainWindow);
    // The order of a release is checked with the program's shutdown.
    for (const std::string &once : released)
        EXPECT_EQ(Calls(once).size(), 1u) << once;
    EXPECT_NE(App.DirectDraw, nullptr) << "the display interface stays";
}

} // namespace
