// Frame pacing, in simulated time: frames whose presents return at once
// begin a refresh apart, each read its input at its start and are presented
// as soon as drawn; presents that wait for the display's refresh get no
// wait of their own.
#include "platform/standin/frame_pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using zorbel::standin::FramePacer;

constexpr long long kPeriod = 16667;

// The main loop on a simulated clock: the pump waits for the frame's turn
// (unless `pumps` is off), the frame reads its input and is drawn in
// `workUs`, and its present costs `presentUs` or, with `vsync`, returns at
// the next refresh.
struct Loop {
    FramePacer pacer{kPeriod};
    long long now = 0;
    long long waited = 0;
    bool pumps = true;
    bool vsync = false;
    std::vector<long long> reads, shown; // each frame's input read and present's end

    void Frames(int count, long long workUs, long long presentUs, bool skip = false)
    {
        for (int i = 0; i < count; ++i) {
            if (pumps)
                Wait();
            reads.push_back(now);
            now += workUs;
            Wait(); // a present no pump came before waits itself
            if (skip) {
                pacer.Skipped(now);
            } else {
                now = vsync ? (now / kPeriod + 1) * kPeriod : now + presentUs;
                pacer.Presented(now);
            }
            shown.push_back(now);
        }
    }
    void Wait()
    {
        const long long wait = pacer.UntilNextFrame(now);
        EXPECT_EQ(pacer.UntilNextFrame(now), wait) << "asking twice waits once";
        waited += wait;
        now += wait;
    }
};

TEST(FramePacer, PresentsThatReturnAtOnceBeginTheirFramesARefreshApart)
{
    for (bool pumps : {true, false}) {
        Loop loop;
        loop.pumps = pumps;
        loop.Frames(20, 50, 300);
        EXPECT_TRUE(loop.pacer.Pacing());
        const long long warm = loop.now;
        loop.Frames(600, 50, 300);
        // 600 frames take 600 refreshes: the rhythm does not drift with the work.
        EXPECT_NEAR(static_cast<double>(loop.now - warm), 600.0 * kPeriod, kPeriod) << pumps;
    }
}

TEST(FramePacer, AFrameReadsItsInputAfterTheWaitAndIsShownWhenDrawn)
{
    Loop loop;
    loop.Frames(20, 50, 300);
    loop.Frames(200, 400, 300);
    const size_t first = loop.reads.size() - 200;
    for (size_t i = first; i < loop.reads.size(); ++i)
        EXPECT_EQ(loop.shown[i] - loop.reads[i], 700) << "frame " << i;
    // An input arriving at any moment is shown by the first frame that
    // reads it after: half a refresh plus a frame on average, at most a
    // refresh plus a frame.
    double total = 0;
    long long worst = 0;
    int count = 0;
    for (long long at = loop.reads[first]; at < loop.reads.back(); at += 997, ++count) {
        const auto read = std::lower_bound(loop.reads.begin(), loop.reads.end(), at);
        const long long delay = loop.shown[static_cast<size_t>(read - loop.reads.begin())] - at;
        total += static_cast<double>(delay);
        worst = std::max(worst, delay);
    }
    EXPECT_NEAR(total / count, kPeriod / 2.0 + 700, 300);
    EXPECT_LE(worst, kPeriod + 700);
}

TEST(FramePacer, ADisplayThatWaitsForItsRefreshGetsNoWaitOfItsOwn)
{
    Loop loop;
    loop.vsync = true;
    loop.Frames(600, 50, 0);
    EXPECT_FALSE(loop.pacer.Pacing());
    EXPECT_EQ(loop.waited, 0);
    // A driver's queue of three frames returns at once before it waits.
    FramePacer queued(kPeriod);
    long long now = 0;
    for (int i = 0; i < 200; ++i) {
        now += 50;
        now = i % 4 == 3 ? (now / kPeriod + 1) * kPeriod : now + 100;
        queued.Presented(now);
    }
    EXPECT_FALSE(queued.Pacing());
    // Frames without a present teach nothing about the display.
    Loop skipping;
    skipping.Frames(100, 50, 0, true);
    EXPECT_FALSE(skipping.pacer.Pacing());
}

TEST(FramePacer, FramesWithoutAPresentKeepTheRhythm)
{
    Loop loop;
    loop.Frames(20, 50, 300);
    const long long warm = loop.now;
    loop.Frames(300, 50, 300, true);
    loop.Frames(300, 50, 300);
    EXPECT_NEAR(static_cast<double>(loop.now - warm), 600.0 * kPeriod, kPeriod);
}

// Where the display paces the presents, a frame left out has no present to
// wait: it takes a refresh itself, and the first present after it is not
// held back.
TEST(FramePacer, AFrameLeftOutTakesARefreshWhereTheDisplayPaces)
{
    Loop loop;
    loop.vsync = true;
    loop.Frames(10, 50, 0);
    const long long rested = loop.now;
    loop.Frames(600, 50, 0, true);
    EXPECT_FALSE(loop.pacer.Pacing());
    EXPECT_NEAR(static_cast<double>(loop.now - rested), 600.0 * kPeriod, kPeriod);
    const long long waited = loop.waited;
    loop.Frames(1, 50, 0);
    const long long afterFirst = loop.waited;
    EXPECT_LE(afterFirst - waited, kPeriod);
    loop.Frames(100, 50, 0);
    EXPECT_EQ(loop.waited, afterFirst) << "the display paces its presents again";
}

TEST(FramePacer, AFrameLongerThanARefreshIsNotCaughtUpAfter)
{
    Loop loop;
    loop.Frames(20, 50, 300);
    loop.Frames(1, 5 * kPeriod, 300); // a slow frame
    const long long slowEnd = loop.now;
    loop.Frames(4, 50, 300);
    // The next frame begins at once, and the three after it a refresh apart
    // again, not rushed.
    EXPECT_EQ(loop.reads[loop.reads.size() - 4], slowEnd);
    EXPECT_EQ(loop.reads.back() - loop.reads[loop.reads.size() - 4], 3 * kPeriod);
}

// Half a second of frames left out is rest: frames may then wait for input
// up to a tenth of a second in all; the first present or a stir ends it, and
// frames left out after either are not rest again until half a second has
// passed.
TEST(FramePacer, AProgramAtRestWaitsForInputUntilItsPictureChanges)
{
    Loop loop;
    loop.Frames(20, 50, 300);
    EXPECT_EQ(loop.pacer.RestUs(), 0);
    loop.Frames(FramePacer::kFramesToRest - 1, 50, 300, true);
    EXPECT_EQ(loop.pacer.RestUs(), 0) << "not yet at rest";
    loop.Frames(1, 50, 300, true);
    EXPECT_EQ(loop.pacer.RestUs(), (FramePacer::kRestPeriods - 1) * kPeriod);
    loop.Frames(1000, 50, 300, true);
    EXPECT_EQ(loop.pacer.RestUs(), (FramePacer::kRestPeriods - 1) * kPeriod);
    loop.Frames(1, 50, 300);
    EXPECT_EQ(loop.pacer.RestUs(), 0) << "a present ends the rest";
    loop.Frames(FramePacer::kFramesToRest - 1, 50, 300, true);
    EXPECT_EQ(loop.pacer.RestUs(), 0);
    loop.Frames(1, 50, 300, true);
    ASSERT_GT(loop.pacer.RestUs(), 0);
    loop.pacer.Stir();
    EXPECT_EQ(loop.pacer.RestUs(), 0) << "a stir ends the rest";
    loop.Frames(FramePacer::kFramesToRest - 1, 50, 300, true);
    EXPECT_EQ(loop.pacer.RestUs(), 0) << "and starts its half second again";
    loop.Frames(1, 50, 300, true);
    EXPECT_GT(loop.pacer.RestUs(), 0);
}

} // namespace
