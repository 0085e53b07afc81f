// Frame pacing: presents that return at once are spaced a refresh apart;
// presents that wait for the display's refresh get no wait of their own.
#include "platform/standin/frame_pacer.h"

#include <gtest/gtest.h>

namespace {

using zorbel::standin::FramePacer;

constexpr long long kPeriod = 16667;

// Runs `frames` frames of `workUs` each; a present costs `presentUs`, or,
// with `vsync`, returns at the next refresh. Returns the last present's end.
long long RunFrames(FramePacer &pacer, int frames, long long workUs, long long presentUs,
                    bool vsync, long long *totalWait, long long now = 0)
{
    for (int i = 0; i < frames; ++i) {
        now += workUs;
        const long long wait = pacer.WaitBefore(now);
        *totalWait += wait;
        now += wait;
        now = vsync ? (now / kPeriod + 1) * kPeriod : now + presentUs;
        pacer.Presented(now);
    }
    return now;
}

TEST(FramePacer, PresentsThatReturnAtOnceAreSpacedARefreshApart)
{
    FramePacer pacer(kPeriod);
    long long waited = 0;
    const long long warm = RunFrames(pacer, 20, 50, 300, false, &waited);
    EXPECT_TRUE(pacer.Pacing());
    const long long end = RunFrames(pacer, 600, 50, 300, false, &waited, warm);
    // 600 presents take 600 refreshes: the rhythm does not drift with the work.
    EXPECT_NEAR(static_cast<double>(end - warm), 600.0 * kPeriod, kPeriod);
}

TEST(FramePacer, ADisplayThatWaitsForItsRefreshGetsNoWaitOfItsOwn)
{
    FramePacer pacer(kPeriod);
    long long waited = 0;
    RunFrames(pacer, 600, 50, 0, true, &waited);
    EXPECT_FALSE(pacer.Pacing());
    EXPECT_EQ(waited, 0);
    // A driver's queue of three frames returns at once before it waits.
    FramePacer queued(kPeriod);
    long long now = 0;
    for (int i = 0; i < 200; ++i) {
        now += 50;
        now = i % 4 == 3 ? (now / kPeriod + 1) * kPeriod : now + 100;
        queued.Presented(now);
    }
    EXPECT_FALSE(queued.Pacing());
}

TEST(FramePacer, AFrameLongerThanARefreshIsNotCaughtUpAfter)
{
    FramePacer pacer(kPeriod);
    long long waited = 0;
    long long now = RunFrames(pacer, 20, 50, 300, false, &waited);
    now = RunFrames(pacer, 1, 5 * kPeriod, 300, false, &waited, now); // a slow frame
    waited = 0;
    RunFrames(pacer, 3, 50, 300, false, &waited, now);
    // The next three presents are spaced a refresh apart again, not rushed.
    EXPECT_GT(waited, 2 * (kPeriod - 400));
}

} // namespace
