#include "process_pointer.h"

#include <atomic>
#include <cstdint>

#include "platform/win32.h"

namespace {

std::atomic<std::int64_t> gPointer{(std::int64_t{512} << 32) | 384};

} // namespace

namespace taclib_test {

void PlacePointer(int x, int y)
{
    gPointer = (std::int64_t{x} << 32) | static_cast<std::uint32_t>(y);
}

} // namespace taclib_test

BOOL WINAPI GetCursorPos(LPPOINT point)
{
    if (point == nullptr)
        return FALSE;
    const std::int64_t p = gPointer.load();
    point->x = static_cast<LONG>(p >> 32);
    point->y = static_cast<LONG>(static_cast<std::int32_t>(p & 0xFFFFFFFF));
    return TRUE;
}

int WINAPI GetSystemMetrics(int index)
{
    return index == SM_CXSCREEN ? 1024 : index == SM_CYSCREEN ? 768 : 0;
}
