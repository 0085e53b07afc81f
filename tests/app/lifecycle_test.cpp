// Start-up, the main loop and shutdown, as whole runs of WinMain.
#include "app/program_fixture.h"

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

TEST_F(LifecycleTest, EscapeHeldDownEndsThroughOneShutdown)
{
    const int code = RunProgram([](std::uint64_t pump) {
        if (pump == 3)
            for (int i = 0; i < 5; ++i)
                zt::InjectKeyDown(VK_ESCAPE, i > 0);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Calls("Release dd1").size(), 2u) << "the first interface, then the display once";
    EXPECT_EQ(Calls("DeleteObject brush1").size(), 1u);
    EXPECT_EQ(App.TheLauncher, nullptr);
    // Escape becomes command 40001, which reaches the default procedure.
    EXPECT_EQ(Calls("WindowProc hwnd1 WM_COMMAND 0x19C41").size(), 5u)
        << ::testing::PrintToString(Calls("TranslateAcceleratorA"));
    EXPECT_EQ(zt::LiveGdiObjects(), 0);
}

TEST_F(LifecycleTest, FirstFrameIsDrawnBeforeAnyMessageAndShutdownRunsInOrder)
{
    const int code = RunProgram([](std::uint64_t pump) {
        if (pump == 10)
            zt::InjectKeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(code, 0);
    const auto firstFlip = IndexOf("Flip surface1");
    const auto firstPeek = IndexOf("PeekMessageA");
    ASSERT_GE(firstFlip, 0);
    EXPECT_LT(firstFlip, firstPeek);
    EXPECT_LT(IndexOf("GetDC surface2"), firstFlip);

    const auto log = zt::CallLog();
    const auto quit = IndexOf("GetMessageA null 0 0 -> 0");
    ASSERT_GE(quit, 0);
    std::vector<std::string> after;
    for (std::size_t i = static_cast<std::size_t>(quit) + 1; i < log.size(); ++i)
        after.push_back(log[i].substr(0, log[i].find(" ->")));
    EXPECT_TRUE(std::find_if(after.begin(), after.end(), [](const std::string &line) {
                    return line.rfind("Flip", 0) == 0;
                }) == after.end())
        << "no frame after the quit message";
    std::vector<std::string> shutdown;
    for (const std::string &line : after)
        if (line.rfind("DeleteObject", 0) == 0 || line.rfind("SetCooperativeLevel", 0) == 0 ||
            line.rfind("Release ", 0) == 0)
            shutdown.push_back(line);
    EXPECT_EQ(shutdown, (std::vector<std::string>{"DeleteObject brush1", "DeleteObject pen1",
                                                  "SetCooperativeLevel dd1 hwnd1 0x8",
                                                  "Release surface2", "Release surface1",
                                                  "Release dd1"}));
}

} // namespace
