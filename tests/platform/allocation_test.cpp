// A frame allocates no memory once the program is running: every malloc of
// the process (every library included) is counted while frames run.
#include "frame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>

// Counted by the process's allocation counter, shared with zorbel-bench
// (tools/bench/count_allocations.cpp).
extern std::atomic<long long> gAllocations;

namespace zorbel::test {
namespace {

TEST(AllocationTest, CountingSeesAnAllocation)
{
    const long long before = gAllocations.load();
    void *volatile block = std::malloc(64); // kept, so the call is not optimised away
    const long long after = gAllocations.load();
    std::free(block);
    EXPECT_EQ(after - before, 1);
}

long CountOf(const std::function<void(int)> &work, int times)
{
    const long long before = gAllocations.load();
    for (int i = 0; i < times; ++i)
        work(i);
    return static_cast<long>(gAllocations.load() - before);
}

class WarmFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenFlipChain(&chain));
        testing::SetCallLogging(false);
        tools = CreateFrameTools();
        for (int frame = 0; frame < 20; ++frame)
            RunFrame(chain, tools, frame);
        testing::InjectLeftButton(true);
        testing::InjectKeyDown(VK_ESCAPE);
        RunFrame(chain, tools, 0);
        // The test's own window procedure records messages: room made beforehand.
        ReceivedMessages().clear();
        ReceivedMessages().reserve(8192);
    }
    void TearDown() override { testing::SetCallLogging(true); }
    FlipChain chain;
    FrameTools tools;
};

// Whole frames with input waiting: the queue, pens from the pool, device
// contexts, selection, the lines, the wrapped band and the ellipses, fill and
// flip, the band's pen width changing from frame to frame.
TEST_F(WarmFrameTest, AFrameAllocatesNothing)
{
    const long allocations = CountOf(
        [&](int frame) {
            testing::InjectLeftButton(frame % 2 == 0);
            testing::InjectKeyDown(VK_ESCAPE, true);
            RunFrame(chain, tools, frame);
        },
        200);
    EXPECT_EQ(allocations, 0);
}

} // namespace
} // namespace zorbel::test
