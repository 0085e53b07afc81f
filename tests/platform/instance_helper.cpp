// Another running copy for the single-instance tests.
//
//   zorbel_instance_helper DIRECTORY CLASS iconic|crash|launch
//
// Prints its process id first. iconic: opens a minimised window of the
// class, prints "ready", pumps until brought to the front (or 10 s pass) and
// prints "iconic=<0|1> foreground=<n>". crash: prints "ready" and dies without
// cleaning up. launch: starts as the program does: looks for a running copy
// and, if there is one, brings it forward and prints "found"; otherwise
// opens its window, prints "running" and then "foreground=<n>" each time it
// is brought forward, until killed.
#include "recording_window.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    std::printf("%d\n", static_cast<int>(getpid()));
    std::fflush(stdout);
    zorbel::testing::UseHeadlessHost();
    zorbel::testing::UseInstanceDirectory(argv[1]);
    const bool launch = std::strcmp(argv[3], "launch") == 0;
    if (launch) {
        if (const HWND running = FindWindowA(argv[2], nullptr)) {
            std::printf(SetForegroundWindow(running) ? "found\n" : "found, not raised\n");
            return 0;
        }
    }
    const HWND window = zorbel::test::CreateTestWindow(argv[2]);
    if (window == nullptr)
        return 3;
    (void)ShowWindow(window, std::strcmp(argv[3], "iconic") == 0 ? SW_SHOWMINIMIZED : SW_SHOW);
    std::printf(launch ? "running\n" : "ready\n");
    std::fflush(stdout);
    if (std::strcmp(argv[3], "crash") == 0)
        _exit(1);
    // A launched copy runs until killed (or 10 s pass), saying each time it
    // is brought forward; the others end at the first time.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int raised = 0;
    while ((launch || raised == 0) && std::chrono::steady_clock::now() < deadline) {
        MSG msg{};
        (void)PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        if (launch && zorbel::testing::ForegroundRequests(window) != raised) {
            std::printf("foreground=%d\n", zorbel::testing::ForegroundRequests(window));
            std::fflush(stdout);
        }
        raised = zorbel::testing::ForegroundRequests(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("iconic=%d foreground=%d\n", IsIconic(window) ? 1 : 0,
                zorbel::testing::ForegroundRequests(window));
    zorbel::testing::Reset(); // closes and removes the socket
    return 0;
}
