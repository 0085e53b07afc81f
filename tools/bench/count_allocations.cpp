// Counts every allocation through operator new, for the allocations-per-frame
// figure. Kept apart so that the compiler never sees these next to a caller.
#include <atomic>
#include <cstdlib>
#include <new>

std::atomic<long long> gAllocations{0};

void *operator new(std::size_t size)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
