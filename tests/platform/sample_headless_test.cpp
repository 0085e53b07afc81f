// The sample Win32 program run whole on the headless host: scripted input,
// scripted failures, and the call log that tests of the program read.
#include "platform/testing.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zorbel::test {
namespace {

bool Contains(const std::vector<std::string> &log, const std::string &line)
{
    return std::find(log.begin(), log.end(), line) != log.end();
}

// Index of the first line starting with `prefix`, or -1.
long Find(const std::vector<std::string> &log, const std::string &prefix)
{
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i].compare(0, prefix.size(), prefix) == 0)
            return static_cast<long>(i);
    return -1;
}

int RunSample()
{
    char commandLine[] = "";
    return WinMain(testing::ProcessInstance(), nullptr, commandLine, SW_SHOWDEFAULT);
}

class SampleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::Reset();
        testing::SetAutoAdvance(1, 16);
    }
};

TEST_F(SampleTest, RunsToEscapeAndDrawsWhereItWasClicked)
{
    testing::SetPumpHook([](std::uint64_t pump) {
        if (pump == 2) {
            testing::SetCursorPos(POINT{300, 200});
            testing::InjectLeftButton(true);
            testing::InjectLeftButton(false);
        }
        // Every PeekMessageA and GetMessageA is a pump: a few frames later.
        if (pump == 30)
            testing::InjectKeyDown(VK_ESCAPE);
    });
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunSample(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "clicks=1 keys=1 mode=1024x768 last=300,200\n");
    const testing::Pixels screen = testing::ScreenPixels();
    EXPECT_EQ(screen.width, 0) << "the chain was released at the end";
    const std::vector<std::string> log = testing::CallLog();
    // One line of each kind of the record's format (platform/README.md).
    for (const char *line : {
             "RegisterClassExA \"Sample Window\" 0x3 null cursor32512 stock4 -> 49152",
             "CreateWindowExA 0x8 \"Sample Window\" \"Sample\" 0x80000000 0 0 1024 768 null null inst -> hwnd1",
             "WindowProc hwnd1 WM_SIZE 0x0 0x3000400 -> 0",
             "DirectDrawCreate null null -> DD_OK dd1",
             "CreateSurface dd1 124 0x21 1 0x218 null -> DD_OK surface1",
             "CreatePen 0 9 0x0000FF00 -> pen2",
             "SelectObject dc2 brush1 -> stock0",
             "Polyline dc2 3 312,384 512,534 712,384 -> 1",
             "DispatchMessageA hwnd1 WM_LBUTTONDOWN 0x1 0xC8012C -> 0",
             "PostQuitMessage 0",
             "GetMessageA null 0 0 -> 0 null WM_QUIT 0x0 0x0",
             "Release surface1 -> 0",
         })
        EXPECT_TRUE(Contains(log, line)) << line;
    // The click is drawn in the frame after it was dispatched.
    EXPECT_LT(Find(log, "DispatchMessageA hwnd1 WM_LBUTTONDOWN"), Find(log, "Ellipse dc2 280 180 321 221"));
    EXPECT_LT(Find(log, "DispatchMessageA hwnd1 WM_KEYDOWN 0x1B"), Find(log, "PostQuitMessage 0"));
    EXPECT_EQ(testing::LiveGdiObjects(), 0);
}

TEST_F(SampleTest, ShowsTheFrameBeforeQuitting)
{
    // Stop before the sample releases its chain: quit from the pump hook after
    // the frame with the ring has been flipped, and look at the screen then.
    testing::Pixels seen;
    testing::SetPumpHook([&seen](std::uint64_t pump) {
        if (pump == 1) {
            testing::SetCursorPos(POINT{300, 200});
            testing::InjectLeftButton(true);
            testing::InjectLeftButton(false);
        }
        if (pump == 30) {
            seen = testing::ScreenPixels();
            testing::InjectKeyDown(VK_ESCAPE);
        }
    });
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunSample(), 0);
    (void)::testing::internal::GetCapturedStdout();
    ASSERT_EQ(seen.width, 1024);
    const std::uint16_t yellow = testing::Rgb565(RGB(255, 255, 0));
    EXPECT_EQ(seen.At(320, 200), yellow) << "the ring's right edge";
    EXPECT_EQ(seen.At(280, 200), yellow) << "the ring's left edge";
    EXPECT_EQ(seen.At(300, 200), 0x0010) << "the ring is not filled";
    EXPECT_EQ(seen.At(512, 384), testing::Rgb565(RGB(255, 0, 0))) << "the red ball";
    EXPECT_EQ(seen.At(312, 384), testing::Rgb565(RGB(0, 255, 0))) << "the green band";
    EXPECT_TRUE(testing::WritePng(seen, ::testing::TempDir() + "sample.png"));
}

TEST_F(SampleTest, FallsBackTo800x600WhenTheFirstModeIsRefused)
{
    testing::RefuseDisplayMode(1024, 768, 16);
    testing::SetPumpHook([](std::uint64_t pump) {
        if (pump == 1)
            testing::InjectClose();
    });
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunSample(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "clicks=0 keys=0 mode=800x600 last=-100,-100\n");
    const std::vector<std::string> log = testing::CallLog();
    EXPECT_TRUE(Contains(log, "SetDisplayMode dd1 1024 768 16 0 0x0 -> DDERR_INVALIDMODE"));
    EXPECT_TRUE(Contains(log, "SetDisplayMode dd1 800 600 16 0 0x0 -> DD_OK"));
    EXPECT_TRUE(Contains(log, "WindowProc hwnd1 WM_CLOSE 0x0 0x0 -> 0"));
    EXPECT_TRUE(Contains(log, "WindowProc hwnd1 WM_DESTROY 0x0 0x0 -> 0"));
}

TEST_F(SampleTest, AFailedSetUpShowsOneMessageBoxOwnedByTheWindow)
{
    testing::ScriptResults("CreateSurface", {DDERR_OUTOFMEMORY});
    EXPECT_EQ(RunSample(), 1);
    const std::vector<testing::MessageBoxRecord> boxes = testing::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, "hwnd1");
    EXPECT_EQ(boxes[0].caption, "Sample");
    EXPECT_EQ(boxes[0].text, "CreateSurface FAILED");
    EXPECT_EQ(boxes[0].type, MB_OK);
    EXPECT_TRUE(Contains(testing::CallLog(),
                         "MessageBoxA hwnd1 \"CreateSurface FAILED\" \"Sample\" 0x0 -> 1"));
    EXPECT_EQ(testing::LiveWindows(), 0);
}

TEST_F(SampleTest, StillDrawingFlipsAreRetriedAndLostSurfacesRestored)
{
    testing::ScriptResults("Flip", {DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING, DD_OK, DD_OK,
                                    DDERR_SURFACELOST});
    testing::SetPumpHook([](std::uint64_t pump) {
        if (pump == 4)
            testing::InjectKeyDown(VK_ESCAPE);
    });
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunSample(), 0);
    (void)::testing::internal::GetCapturedStdout();
    const std::vector<std::string> log = testing::CallLog();
    const auto flips = std::count_if(log.begin(), log.end(), [](const std::string &line) {
        return line.rfind("Flip surface1", 0) == 0;
    });
    EXPECT_EQ(flips, 7) << "three tries for the first frame, then one per frame for four";
    EXPECT_TRUE(Contains(log, "Restore surface1 -> DD_OK"));
}

} // namespace
} // namespace zorbel::test
