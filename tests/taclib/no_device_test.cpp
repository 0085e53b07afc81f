// Without TACLIB_DEVICE the platform's own devices are looked for; with none
// attached Initialize must fail without blocking (the tests' timeout is the
// deadline), with or without a display.
#include <gtest/gtest.h>

#include <SDL.h>

#include "taclib.h"
#include "taclib_test_support.h"

namespace {

using taclib_test::ScopedEnv;

bool HapticDevicePresent()
{
    if (SDL_InitSubSystem(SDL_INIT_HAPTIC) != 0) return false;
    bool present = SDL_NumHaptics() > 0;
    SDL_QuitSubSystem(SDL_INIT_HAPTIC);
    return present;
}

TEST(NoDevice, InitializeFailsQuicklyWithoutADisplay)
{
    ScopedEnv device("TACLIB_DEVICE", std::nullopt);
    ScopedEnv display("DISPLAY", std::nullopt);
    ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
    if (HapticDevicePresent()) GTEST_SKIP() << "a haptic device is attached to this machine";

    int window = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {  // a second try finds SDL as the first left it
        CTacMouse mouse;
        EXPECT_EQ(mouse.Initialize(nullptr, &window, 4, 1), 0);
        CTacSpring spring;
        EXPECT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {0, 0}, 0, 0, 0, 0), 0);
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_HAPTIC), 0u);  // nothing left initialised behind the caller
}

}  // namespace
