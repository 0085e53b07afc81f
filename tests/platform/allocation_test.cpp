// A frame allocates no memory once the program is running: every malloc of
// the process (every library included) is counted while frames run.
#include "frame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <new>

extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void *pointer);
}

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

void Count()
{
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

extern "C" {
void *malloc(std::size_t size)
{
    Count();
    return __libc_malloc(size);
}
void *calloc(std::size_t count, std::size_t size)
{
    Count();
    return __libc_calloc(count, size);
}
void *realloc(void *pointer, std::size_t size)
{
    Count();
    return __libc_realloc(pointer, size);
}
int posix_memalign(void **out, std::size_t alignment, std::size_t size)
{
    Count();
    *out = __libc_memalign(alignment, size);
    return *out == nullptr ? ENOMEM : 0;
}
void free(void *pointer) { __libc_free(pointer); }
}

namespace zorbel::test {
namespace {

TEST(AllocationTest, CountingSeesAnAllocation)
{
    g_allocations = 0;
    g_counting = true;
    void *block = std::malloc(64);
    g_counting = false;
    std::free(block);
    EXPECT_EQ(g_allocations.load(), 1);
}

long CountOf(const std::function<void(int)> &work, int times)
{
    g_allocations = 0;
    g_counting = true;
    for (int i = 0; i < times; ++i)
        work(i);
    g_counting = false;
    return g_allocations.load();
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

// Everything of a frame but the drawing itself: queue, input, pens from the
// pool, device contexts, selection, fill and flip.
TEST_F(WarmFrameTest, ThePlatformItselfAllocatesNothingPerFrame)
{
    const long allocations = CountOf(
        [&](int frame) {
            testing::InjectLeftButton(frame % 2 == 0);
            testing::InjectKeyDown(VK_ESCAPE, true);
            (void)Clear(chain.back);
            const HPEN band = CreatePen(PS_SOLID, 3 + frame % 5, 0x00FF3100);
            HDC dc = nullptr;
            ASSERT_EQ(chain.back->GetDC(&dc), DD_OK);
            const HGDIOBJ oldBrush = SelectObject(dc, tools.ball);
            const HGDIOBJ oldPen = SelectObject(dc, band);
            (void)MoveToEx(dc, 472, 384, nullptr);
            (void)SelectObject(dc, oldBrush);
            (void)SelectObject(dc, oldPen);
            (void)chain.back->ReleaseDC(dc);
            (void)DeleteObject(band);
            (void)chain.primary->Flip(nullptr, 0);
            MSG msg{};
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && GetMessageA(&msg, nullptr, 0, 0) > 0)
                (void)DispatchMessageA(&msg);
        },
        200);
    EXPECT_EQ(allocations, 0);
}

// The lines, the wrapped band and the ellipses of whole frames, the band's
// pen width changing from frame to frame.
TEST_F(WarmFrameTest, DrawingAllocatesNothingPerFrame)
{
    EXPECT_EQ(CountOf([&](int frame) { RunFrame(chain, tools, frame); }, 100), 0);
}

} // namespace
} // namespace zorbel::test
