#include "platform/standin/other_threads.h"

#include "platform/standin/winuser.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace zorbel::standin {

namespace {

std::atomic<std::thread::id> gProgramThread{};

// A point in one word, so that a reader never sees x of one and y of another.
std::atomic<std::uint64_t> gCursor{0};
std::atomic<int> gWidth{0}, gHeight{0};
// Another thread asked since the last publication.
std::atomic<bool> gAsked{true};

std::uint64_t Pack(POINT p)
{
    return (std::uint64_t{static_cast<std::uint32_t>(p.x)} << 32) | static_cast<std::uint32_t>(p.y);
}

} // namespace

void MarkProgramThread() { gProgramThread = std::this_thread::get_id(); }

bool OnProgramThread() { return gProgramThread.load() == std::this_thread::get_id(); }

bool OtherThreadsAsked() { return gAsked.exchange(false); }

void PublishCursor(POINT cursor) { gCursor = Pack(cursor); }

void PublishMetric(int index, int value)
{
    if (index == SM_CXSCREEN)
        gWidth = value;
    else if (index == SM_CYSCREEN)
        gHeight = value;
}

POINT PublishedCursor()
{
    gAsked = true;
    const std::uint64_t packed = gCursor.load();
    return POINT{static_cast<LONG>(static_cast<std::int32_t>(packed >> 32)),
                 static_cast<LONG>(static_cast<std::int32_t>(packed & 0xFFFFFFFFu))};
}

int PublishedMetric(int index)
{
    gAsked = true;
    return index == SM_CXSCREEN ? gWidth.load() : index == SM_CYSCREEN ? gHeight.load() : 0;
}

} // namespace zorbel::standin
