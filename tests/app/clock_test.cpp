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

TEST_F(ClockTest, StartClockSetsIntervalAndStart)
{
    zorbel::testing::SetTickCount(123456);
    StartClock();
    EXPECT_EQ(App.ClockStart, 123456u);
    zorbel::testing::SetTickCount(123470);
    EXPECT_EQ(ClockNow(), 140u);
}

TEST_F(ClockTest, NoStepsBeforeTheClockStarts)
{
    EXPECT_EQ(FrameAt(1000), 0);
    EXPECT_EQ(App.NextStepTime, 0u);
}

TEST_F(ClockTest, FirstStepRunsAloneAndLaysTheGrid)
{
    zorbel::testing::SetTickCount(1000);
    StartClock();
    EXPECT_EQ(FrameAt(1004), 0) << "less than 5 ms after start";
    EXPECT_EQ(FrameAt(1040), 1) << "40 ms late: one step, not eight";
    EXPECT_EQ(App.NextStepTime, 400u);
    EXPECT_EQ(FrameAt(1046), 1);
    EXPECT_EQ(App.NextStepTime, 450u);
    EXPECT_EQ(FrameAt(1056), 2);
    EXPECT_EQ(App.NextStepTime, 550u);
}

TEST_F(ClockTest, CatchUpRunsOneStepPerWholeInterval)
{
    struct Case {
        DWORD after; // clock units past the last step
        int steps;
        DWORD advance;
    };
    for (const Case &c : {Case{40, 0, 0}, Case{50, 1, 50}, Case{120, 2, 100},
                          Case{20000, 400, 20000}, Case{20049, 400, 20000}}) {
        App = AppState{};
        zorbel::testing::SetTickCount(0);
        StartClock();
        App.NextStepTime = 1000;
        EXPECT_EQ(FrameAt((1000 + c.after) / 10), c.steps) << c.after;
        EXPECT_EQ(App.NextStepTime, 1000 + c.advance) << c.after;
    }
}

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
