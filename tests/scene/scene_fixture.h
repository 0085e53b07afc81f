// A 1024 x 768 client area at the screen origin on the headless host.
#pragma once

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "platform/testing.h"
#include "scene/launcher.h"

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override { UseClient(1024, 768); }

    static void UseClient(int width, int height)
    {
        zorbel::testing::UseHeadlessHost();
        App = AppState{};
        App.ClientRect = RECT{0, 0, width, height};
        App.ClientTopLeft = POINT{0, 0};
        App.ClientBottomRight = POINT{width, height};
    }

    static void MoveCursor(int x, int y) { zorbel::testing::SetCursorPos(POINT{x, y}); }

    // Grabs the band at the rest centre and drags the ball to (x, y).
    static void DragTo(Launcher &launcher, int x, int y)
    {
        App.DragFlag = 1;
        launcher.Grab();
        MoveCursor(x, y);
        launcher.Step();
    }
};

inline bool operator==(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }
inline std::ostream &operator<<(std::ostream &out, POINT p)
{
    return out << "(" << p.x << ", " << p.y << ")";
}
inline bool operator==(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream &operator<<(std::ostream &out, const RECT &r)
{
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
