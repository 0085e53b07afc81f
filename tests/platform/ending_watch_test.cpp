// The watch that ends a program asked to end, look by look: a frozen display
// is given up on after its grace, a busy server that answers is waited on,
// a program at work has its full time and no more.
#include "platform/standin/ending_watch.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zorbel::standin::EndingTimes;
using zorbel::standin::EndingWatch;
using Then = EndingWatch::Then;

constexpr EndingTimes kTimes{1200, 500, 8000, 50};

// Looks until the watch gives up (or `most` looks): how long that took, and
// when it called the server; the server answers `answers` of its calls,
// one look after each.
struct Watched {
    long gaveUpAt = -1;
    std::vector<long> calls;
};

Watched Watch(bool progressing, int answers, bool displayClosed = false, long most = 1000)
{
    EndingWatch watch(kTimes);
    Watched run;
    bool open = false;
    for (long look = 1; look <= most; ++look) {
        const bool answered = open && answers > 0;
        if (answered)
            --answers;
        const Then then = watch.AfterLook(progressing, answered, displayClosed);
        if (then == Then::GiveUp) {
            run.gaveUpAt = look * kTimes.lookMs;
            break;
        }
        if (then == Then::CallServer)
            run.calls.push_back(look * kTimes.lookMs);
        open = then == Then::CallServer || (open && then == Then::Wait);
    }
    return run;
}

TEST(EndingWatch, AFrozenDisplayIsGivenUpOnAfterItsGraceWithOneCall)
{
    const Watched run = Watch(false, 0);
    EXPECT_EQ(run.gaveUpAt, 1200);
    EXPECT_EQ(run.calls, std::vector<long>{500});
}

TEST(EndingWatch, ABusyServerThatAnswersIsWaitedOnUntilTheMost)
{
    const Watched run = Watch(false, 1000);
    EXPECT_EQ(run.gaveUpAt, 8000);
    // Called again each time the program has been still half a second more.
    ASSERT_GE(run.calls.size(), 10U);
    EXPECT_EQ(run.calls[0], 500);
    EXPECT_EQ(run.calls[1], 1050);
}

TEST(EndingWatch, AServerThatStopsAnsweringIsGivenUpOnAGraceAfterItsLastAnswer)
{
    // Answers its first two calls (at 0.5 s and 1.05 s, one look later).
    const Watched run = Watch(false, 2);
    EXPECT_EQ(run.calls.size(), 3U);
    EXPECT_EQ(run.gaveUpAt, 1100 + 1200);
}

TEST(EndingWatch, AProgramAtWorkHasItsFullTimeAndNoCall)
{
    const Watched run = Watch(true, 0);
    EXPECT_EQ(run.gaveUpAt, 8000);
    EXPECT_TRUE(run.calls.empty());
}

TEST(EndingWatch, AProgramThatClosedItsDisplayIsNeitherCalledNorCutEarly)
{
    const Watched run = Watch(false, 0, true);
    EXPECT_EQ(run.gaveUpAt, 8000);
    EXPECT_TRUE(run.calls.empty());
}

TEST(EndingWatch, ProgressAfterAStallStartsTheGraceAgain)
{
    EndingWatch watch(kTimes);
    Then then = Then::Wait;
    // Still for 1.1 s (called at 0.5 s), then at work for one look.
    for (int look = 0; look < 22; ++look)
        then = watch.AfterLook(false, false, false);
    EXPECT_EQ(then, Then::Wait);
    EXPECT_EQ(watch.AfterLook(true, false, false), Then::HangUp);
    long stillFor = 0;
    while (watch.AfterLook(false, false, false) != Then::GiveUp)
        stillFor += kTimes.lookMs;
    EXPECT_EQ(stillFor + kTimes.lookMs, 1200);
}

} // namespace
