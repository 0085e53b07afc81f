#include "process_screen.h"

#include "notice.h"
#include "platform/win32.h"

namespace taclib {

bool ScreenOverride(ScreenSize *out)
{
    std::string why;
    if (ScreenFromEnvironment(out, &why))
        return true;
    if (!why.empty())
        Notice(why);
    return false;
}

ScreenSize ProcessScreen()
{
    ScreenSize size;
    if (ScreenOverride(&size))
        return size;
    size.width = GetSystemMetrics(SM_CXSCREEN);
    size.height = GetSystemMetrics(SM_CYSCREEN);
    return size.width > 0 && size.height > 0 ? size : kDefaultScreen;
}

PointerSource ProcessPointer()
{
    PointerSource source;
    source.pointer = [](std::int64_t *x, std::int64_t *y) {
        POINT p{0, 0};
        if (GetCursorPos(&p) == FALSE)
            return false;
        *x = p.x;
        *y = p.y;
        return true;
    };
    source.screen = ProcessScreen;
    return source;
}

} // namespace taclib
