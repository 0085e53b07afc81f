// Another running copy for the single-instance tests: it opens a window of
// the given class and serves requests from its message pump.
//
//   zorbel_instance_helper DIRECTORY CLASS normal|iconic|crash
//
// Prints "ready" once the window exists; "crash" then dies without cleaning
// up, leaving its socket behind. Otherwise it pumps until brought to the
// front (or 10 s pass) and prints "iconic=<0|1> foreground=<n>".
#include "platform/testing.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace {

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    zorbel::testing::UseHeadlessHost();
    zorbel::testing::UseInstanceDirectory(argv[1]);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Procedure;
    windowClass.lpszClassName = argv[2];
    if (RegisterClassExA(&windowClass) == 0)
        return 3;
    const HWND window = CreateWindowExA(0, argv[2], "Helper", WS_POPUP, 0, 0, 640, 480, nullptr,
                                        nullptr, nullptr, nullptr);
    if (window == nullptr)
        return 4;
    (void)ShowWindow(window, std::strcmp(argv[3], "iconic") == 0 ? SW_SHOWMINIMIZED : SW_SHOW);
    std::printf("ready\n");
    std::fflush(stdout);
    if (std::strcmp(argv[3], "crash") == 0)
        _exit(1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (zorbel::testing::ForegroundRequests(window) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        MSG msg{};
        (void)PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("iconic=%d foreground=%d\n", IsIconic(window) ? 1 : 0,
                zorbel::testing::ForegroundRequests(window));
    zorbel::testing::Reset(); // closes and removes the socket
    return 0;
}
