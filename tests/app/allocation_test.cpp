// A frame allocates no memory once the program is running: every malloc of
// the process (every library included) is counted while the program's own
// main loop runs.
#include "support/program_fixture.h"

#include <atomic>
#include <cstdlib>

// Counted by the process's allocation counter, shared with zorbel-bench
// (tools/bench/count_allocations.cpp).
extern std::atomic<long long> gAllocations;

namespace {

TEST(AllocationCountTest, CountingSeesAnAllocation)
{
    const long long before = gAllocations.load();
    void *volatile block = std::malloc(64); // kept, so the call is not optimised away
    const long long after = gAllocations.load();
    std::free(block);
    EXPECT_EQ(after - before, 1);
}

using AllocationTest = ProgramTest;

// Whole frames with input waiting, once warm: the queue and the window
// procedure, the band held and pulled about (its pen and its wrapped shape
// changing from frame to frame), the ball and the tips, clear and flip.
TEST_F(AllocationTest, AFrameAllocatesNothing)
{
    zt::SetCallLogging(false);
    long long before = 0;
    long long counted = -1;
    const int code = RunProgram([&](std::uint64_t pump) {
        if (pump == 10) {
            zt::SetCursorPos(POINT{512, 384});
            zt::InjectLeftButton(true);
        } else if (pump % 10 == 0) { // sparse enough for the queue to empty and frames to run
            zt::SetCursorPos(
                POINT{static_cast<LONG>(412 + pump % 200), static_cast<LONG>(384 + pump % 300)});
            zt::InjectKeyDown('A', pump % 20 == 0);
        }
        if (pump == 200)
            before = gAllocations.load();
        if (pump == 1200) {
            counted = gAllocations.load() - before;
            zt::InjectKeyDown(VK_ESCAPE);
        }
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(counted, 0);
}

} // namespace
