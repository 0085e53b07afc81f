// The message queue, windows and accelerators of the stand-in layer, run on
// the headless host.
#include "platform/standin/resources.h"
#include "platform/testing.h"
#include "recording_window.h"

#include <gtest/gtest.h>

namespace zorbel::test {
namespace {

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::Reset();
        window = CreateTestWindow();
        ASSERT_NE(window, nullptr);
        ReceivedMessages().clear();
    }
    HWND window = nullptr;
};

MSG Get()
{
    MSG msg{};
    EXPECT_NE(GetMessageA(&msg, nullptr, 0, 0), -1);
    return msg;
}

TEST_F(MessageQueueTest, QuitArrivesAfterEverythingPostedBeforeAndAfterItAndOnlyOnce)
{
    testing::InjectKeyDown('A');
    PostQuitMessage(3);
    PostQuitMessage(3);
    testing::InjectLeftButton(true);
    MSG peeked{};
    ASSERT_TRUE(PeekMessageA(&peeked, nullptr, 0, 0, PM_NOREMOVE)) << "left for GetMessageA";
    EXPECT_EQ(Get().message, WM_KEYDOWN);
    EXPECT_EQ(Get().message, WM_LBUTTONDOWN);
    MSG quit{};
    EXPECT_EQ(GetMessageA(&quit, nullptr, 0, 0), FALSE);
    EXPECT_EQ(quit.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(quit.wParam, 3u);
    MSG none{};
    EXPECT_EQ(PeekMessageA(&none, nullptr, 0, 0, PM_NOREMOVE), FALSE);
}

TEST_F(MessageQueueTest, FiltersAreRefusedAndAnEmptyHeadlessQueueNeverHangs)
{
    testing::InjectKeyDown('B');
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
    EXPECT_EQ(GetMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYUP), -1);
    EXPECT_FALSE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageA(&msg, window, 0, 0), -1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), -1) << "headless, nothing can arrive: no hang";
}

TEST_F(MessageQueueTest, CoordinatesFollowTheWindowRectangle)
{
    testing::InjectWindowRect(RECT{100, 50, 900, 650});
    MSG msg{};
    (void)PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // delivers the move
    POINT point{100, 50};
    ASSERT_TRUE(ScreenToClient(window, &point));
    EXPECT_EQ(point.x, 0);
    EXPECT_EQ(point.y, 0);
    point = POINT{800, 600};
    ASSERT_TRUE(ClientToScreen(window, &point));
    EXPECT_EQ(point.x, 900);
    EXPECT_EQ(point.y, 650);
    testing::SetCursorPos(POINT{612, 434});
    testing::InjectLeftButton(true);
    const MSG press = Get();
    EXPECT_EQ(LOWORD(press.lParam), 512);
    EXPECT_EQ(HIWORD(press.lParam), 384);
    EXPECT_EQ(press.pt.x, 612);
}

TEST_F(MessageQueueTest, DispatchReachesOnlyALiveWindow)
{
    testing::InjectLeftButton(true);
    MSG msg = Get();
    msg.hwnd = reinterpret_cast<HWND>(0x77);
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_TRUE(ReceivedMessages().empty());
}

// Escape through the program's own table is checked with the program's run;
// here, that other keys pass through and an unknown table is refused.
TEST_F(MessageQueueTest, AcceleratorsPassOtherKeysThrough)
{
    const ACCEL escape{FVIRTKEY | FNOINVERT, VK_ESCAPE, 40001};
    standin::RegisterAcceleratorTable(9101, &escape, 1);
    const HACCEL table = LoadAcceleratorsA(testing::ProcessInstance(), MAKEINTRESOURCEA(9101));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(LoadAcceleratorsA(testing::ProcessInstance(), MAKEINTRESOURCEA(9102)), nullptr);
    testing::InjectKeyDown('A');
    MSG msg = Get();
    EXPECT_EQ(TranslateAcceleratorA(window, table, &msg), 0);
    EXPECT_TRUE(ReceivedMessages().empty());
    EXPECT_TRUE(TranslateMessage(&msg));
}

TEST_F(MessageQueueTest, CreationSendsCreateSizeMoveInWin32Order)
{
    testing::Reset();
    const HWND created = CreateTestWindow("Other Class");
    ASSERT_NE(created, nullptr);
    ASSERT_EQ(ReceivedKinds(), (std::vector<UINT>{WM_CREATE, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(ReceivedMessages()[1].lParam, MAKELPARAM(1024, 768));
    EXPECT_EQ(ReceivedMessages()[2].lParam, MAKELPARAM(0, 0));
    EXPECT_FALSE(testing::IsWindowVisible(created));
    ReceivedMessages().clear();
    EXPECT_FALSE(ShowWindow(created, SW_SHOWDEFAULT));
    EXPECT_TRUE(testing::IsWindowVisible(created));
    EXPECT_EQ(ReceivedKinds(), (std::vector<UINT>{WM_SHOWWINDOW}));
}

TEST_F(MessageQueueTest, RegistrationAndCreationFailuresAreReported)
{
    WNDCLASSEXA duplicate{};
    duplicate.cbSize = sizeof(duplicate);
    duplicate.lpfnWndProc = RecordingProc;
    duplicate.lpszClassName = "TEST WINDOW"; // names compare without case
    EXPECT_EQ(RegisterClassExA(&duplicate), 0);
    duplicate.lpszClassName = "Fresh";
    duplicate.cbSize = 40;
    EXPECT_EQ(RegisterClassExA(&duplicate), 0);
    duplicate.cbSize = sizeof(duplicate);
    EXPECT_NE(RegisterClassExA(&duplicate), 0);
    EXPECT_EQ(CreateWindowExA(0, "Unknown", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
}

TEST_F(MessageQueueTest, AFullQueueDropsNewMessagesAndKeepsTheOldOnes)
{
    for (int i = 0; i < 1100; ++i)
        testing::InjectKeyDown(static_cast<WPARAM>('A' + i % 26));
    int count = 0;
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_EQ(msg.wParam, static_cast<WPARAM>('A' + count % 26));
        ++count;
    }
    EXPECT_EQ(count, 1024);
}

} // namespace
} // namespace zorbel::test
