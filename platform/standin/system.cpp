// Time, cursor and coordinate calls of the stand-in layer.
#include "platform/testing.h"

#include <ctime>

namespace {

struct HeadlessInput {
    bool active = false;
    DWORD ticks = 0;
    POINT cursor{0, 0};
};

HeadlessInput &Headless()
{
    static HeadlessInput input;
    return input;
}

} // namespace

namespace zorbel::testing {

void UseHeadlessHost()
{
    Headless() = HeadlessInput{};
    Headless().active = true;
}

void SetTickCount(DWORD milliseconds) { Headless().ticks = milliseconds; }

void SetCursorPos(POINT screen) { Headless().cursor = screen; }

} // namespace zorbel::testing

DWORD WINAPI GetTickCount()
{
    if (Headless().active)
        return Headless().ticks;
    timespec now{};
    (void)clock_gettime(CLOCK_MONOTONIC, &now);
    // Milliseconds of a monotonic clock, wrapping at 2^32 like the system tick count.
    const auto ms = static_cast<unsigned long long>(now.tv_sec) * 1000ull +
                    static_cast<unsigned long long>(now.tv_nsec) / 1000000ull;
    return static_cast<DWORD>(ms);
}

BOOL WINAPI GetCursorPos(LPPOINT point)
{
    if (point == nullptr)
        return FALSE;
    *point = Headless().cursor;
    return TRUE;
}

// The program's only window covers the screen from its origin, so client and
// screen coordinates coincide.
BOOL WINAPI ScreenToClient(HWND, LPPOINT point) { return point != nullptr; }

BOOL WINAPI ClientToScreen(HWND, LPPOINT point) { return point != nullptr; }

BOOL WINAPI GetClientRect(HWND, LPRECT rect)
{
    if (rect == nullptr)
        return FALSE;
    *rect = RECT{0, 0, 0, 0};
    return TRUE;
}

BOOL WINAPI PtInRect(const RECT *rect, POINT point)
{
    if (rect == nullptr)
        return FALSE;
    return point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
           point.y < rect->bottom;
}
