// What a frame of the program's kind costs next to the bare clear (to black) of the
// 1024 x 768 x 16 back buffer: drawing must stay cheap next to filling.
#include "frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace zorbel::test {
namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::micro>(end - start).count();
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

TEST(FrameCostTest, AFrameCostsLessThanTwoBareClears)
{
    FlipChain chain;
    ASSERT_TRUE(OpenFlipChain(&chain));
    testing::SetCallLogging(false);
    const FrameTools tools = CreateFrameTools();
    for (int i = 0; i < 50; ++i)
        DrawScene(chain.back, tools, i);
    // Interleaved, so that whatever else the machine does weighs on both alike.
    std::vector<double> clears;
    std::vector<double> frames;
    for (int i = 0; i < 400; ++i) {
        const auto start = Clock::now();
        (void)Clear(chain.back);
        const auto cleared = Clock::now();
        DrawScene(chain.back, tools, i);
        const auto drawn = Clock::now();
        clears.push_back(Microseconds(start, cleared));
        frames.push_back(Microseconds(cleared, drawn));
    }
    const double clear = Median(clears);
    const double frame = Median(frames);
    std::printf("clear %.1f us, frame %.1f us, ratio %.2f\n", clear, frame, frame / clear);
    ::testing::Test::RecordProperty("clear_us", static_cast<int>(clear));
    ::testing::Test::RecordProperty("frame_us", static_cast<int>(frame));
#ifdef NDEBUG
    EXPECT_LT(frame, 2.0 * clear);
#else
    std::printf("unoptimised build: the bound is checked in optimised builds only\n");
#endif
    testing::SetCallLogging(true);
}

} // namespace
} // namespace zorbel::test
