// The step clock across the wraps of the tick count and of its own value.
// Its catch-up and first step are compared with the independent model
// through the tracer (tests/model).
#include <gtest/gtest.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/clock.h"
#include "platform/testing.h"

namespace {

struct CountingStepper {
    int steps = 0;
    void Step() { ++steps; }
};

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zorbel::testing::UseHeadlessHost();
        App = AppState{};
    }

    // Sets the tick count and runs one frame's due steps.
    int FrameAt(DWORD ticks)
    {
        zorbel::testing::SetTickCount(ticks);
        CountingStepper stepper;
        const unsigned reported = RunDueStepsOn(stepper);
        EXPECT_EQ(reported, static_cast<unsigned>(stepper.steps));
        return stepper.steps;
    }
};

TEST_F(ClockTest, SteadyAcrossTheWrapOfTheTickCount)
{
    zorbel::testing::SetTickCount(0xFFFFFF00u);
    StartClock();
    EXPECT_EQ(FrameAt(0xFFFFFF05u), 1);
    int total = 0;
    for (DWORD tick = 0xFFFFFF06u; tick != 0x106u; ++tick)
        total += FrameAt(tick);
    EXPECT_EQ(total, 0x200 / 5);
}

TEST_F(ClockTest, SteadyAcrossTheWrapOfTheClockValue)
{
    // The clock value (ticks since start x 10) wraps 429496729.6 ms in.
    zorbel::testing::SetTickCount(0);
    StartClock();
    EXPECT_EQ(FrameAt(429496000u), 1);
    int total = 0;
    int largest = 0;
    for (DWORD tick = 429496001u; tick <= 429498000u; ++tick) {
        const int steps = FrameAt(tick);
        total += steps;
        largest = std::max(largest, steps);
    }
    EXPECT_EQ(total, 2000 / 5);
    EXPECT_EQ(largest, 1);
}

} // namespace
