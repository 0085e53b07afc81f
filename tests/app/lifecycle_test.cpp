// Start-up, the main loop and shutdown, as whole runs of WinMain.
#include "support/program_fixture.h"

namespace {

using LifecycleTest = ProgramTest;

TEST_F(LifecycleTest, SecondCopyBringsTheFirstForwardAndExits)
{
    for (const bool iconic : {false, true}) {
        zt::Reset();
        zt::SimulateOtherInstance("Zorbel Window", iconic);
        EXPECT_EQ(RunProgram([](std::uint64_t) {}), 0);
        EXPECT_TRUE(Calls("CreateWindowExA").empty());
        EXPECT_TRUE(Calls("RegisterClassExA").empty());
        const zt::OtherInstance other = zt::OtherInstanceState();
        EXPECT_EQ(other.restores, iconic ? 1 : 0);
        EXPECT_EQ(other.foregrounds, 1);
    }
}

TEST_F(LifecycleTest, WindowFailuresEndQuietly)
{
    zt::FailRegisterClass(true);
    EXPECT_EQ(RunProgram([](std::uint64_t) {}), 1);
    EXPECT_TRUE(zt::MessageBoxes().empty());
    EXPECT_TRUE(Calls("CreateWindowExA").empty());
    zt::Reset();
    zt::FailCreateWindow(true);
    EXPECT_EQ(RunProgram([](std::uint64_t) {}), 1);
    EXPECT_TRUE(zt::MessageBoxes().empty());
    EXPECT_TRUE(Calls("DirectDrawCreate").empty());
}

// Escape held down, so that it repeats: the first frame is drawn before any
// message is read, no frame follows the quit message, and one shutdown
// releases everything once, the display last.
TEST_F(LifecycleTest, EscapeHeldDownEndsThroughOneShutdownInOrder)
{
    const int code = RunProgram([](std::uint64_t pump) {
        if (pump == 10)
            for (int i = 0; i < 5; ++i)
                zt::InjectKeyDown(VK_ESCAPE, i > 0);
    });
    EXPECT_EQ(code, 0);
    const std::string window = ResultOf("CreateWindowExA");
    const std::string display = ResultOf("QueryInterface");
    const std::string primary = ResultOf("CreateSurface");
    const std::string back = ResultOf("GetAttachedSurface");
    const auto firstFlip = IndexOf("Flip " + primary);
    EXPECT_LT(firstFlip, IndexOf("PeekMessageA"));
    EXPECT_LT(IndexOf("GetDC " + back), firstFlip);
    // Escape becomes command 40001, which reaches the default procedure.
    EXPECT_EQ(Calls("WindowProc " + window + " WM_COMMAND 0x19C41").size(), 5u);

    const auto quit = IndexOf("GetMessageA null 0 0 -> 0");
    ASSERT_GE(quit, 0);
    EXPECT_TRUE(Sequence({"Flip"}, quit).empty()) << "no frame after the quit message";
    const auto released = Sequence({"DeleteObject", "SetCooperativeLevel", "Release"}, quit);
    for (const std::string &once :
         {"DeleteObject " + ResultOf("CreateSolidBrush"), "DeleteObject " + ResultOf("CreatePen"),
          "SetCooperativeLevel " + display + " " + window + " 0x8", "Release " + back,
          "Release " + primary, "Release " + display})
        EXPECT_EQ(std::count(released.begin(), released.end(), once), 1) << once;
    ASSERT_FALSE(released.empty());
    EXPECT_EQ(released.back(), "Release " + display);
    EXPECT_EQ(App.TheLauncher, nullptr);
    EXPECT_EQ(zt::LiveGdiObjects(), 0);
}

} // namespace
