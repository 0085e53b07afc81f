// A window class whose procedure records what it receives, for the tests of
// the stand-in layer.
#pragma once

#include "platform/testing.h"

#include <vector>

namespace zorbel::test {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

inline std::vector<Received> &ReceivedMessages()
{
    static std::vector<Received> received;
    return received;
}

inline LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ReceivedMessages().push_back(Received{message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

inline std::vector<UINT> ReceivedKinds()
{
    std::vector<UINT> kinds;
    for (const Received &received : ReceivedMessages())
        kinds.push_back(received.message);
    return kinds;
}

// Registers the class ("Test Window" unless named) and creates a 1024 x 768
// pop-up of it.
inline HWND CreateTestWindow(const char *className = "Test Window")
{
    ReceivedMessages().clear();
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = testing::ProcessInstance();
    windowClass.lpszClassName = className;
    if (RegisterClassExA(&windowClass) == 0)
        return nullptr;
    return CreateWindowExA(WS_EX_TOPMOST, className, "Test", WS_POPUP, 0, 0, 1024, 768, nullptr,
                           nullptr, testing::ProcessInstance(), nullptr);
}

} // namespace zorbel::test
