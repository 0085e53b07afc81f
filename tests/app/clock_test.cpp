// The step clock across the wraps of the tick count and of its own value.
// Its catch-up and first step are in the tracer's golden traces (tests/trace).
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

// One step every 5 ms across the wrap of the tick count, and across the wrap
// of the clock value (ticks since start x 10), 429496729.6 ms in.
TEST_F(ClockTest, SteadyAcrossTheWraps)
{
    struct Case {
        DWORD start, first, span;
    };
    for (const Case &c : {Case{0xFFFFFF00u, 0xFFFFFF05u, 0x200}, Case{0, 429496000u, 2000}}) {
        App = AppState{};
        zorbel::testing::SetTickCount(c.start);
        StartClock();
        EXPECT_EQ(FrameAt(c.first), 1);
        int total = 0;
        int largest = 0;
        for (DWORD tick = c.first + 1; tick != c.first + 1 + c.span; ++tick) {
            const int steps = FrameAt(tick);
            total += steps;
            largest = std::max(largest, steps);
        }
        EXPECT_EQ(total, static_cast<int>(c.span / 5)) << c.start;
        EXPECT_EQ(largest, 1) << c.start;
    }
}

} // namespace
