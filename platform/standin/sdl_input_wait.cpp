#include "platform/standin/sdl_input_wait.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>

#include <chrono>
#include <thread>

#include "platform/standin/monotonic.h"

namespace zorbel::standin {

namespace {

// The descriptor of the X server's connection, or -1.
int DisplayConnection(SDL_Window *window)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window != nullptr && SDL_GetWindowWMInfo(window, &info) == SDL_TRUE &&
        info.subsystem == SDL_SYSWM_X11 && info.info.x11.display != nullptr)
        return ConnectionNumber(info.info.x11.display);
#else
    (void)window;
#endif
    return -1;
}

} // namespace

void WaitTakingInInput(SDL_Window *window, long long microseconds)
{
    const int connection = DisplayConnection(window);
    if (connection < 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
        return;
    }
    const long long end = MicrosecondsNow() + microseconds;
    for (long long left = microseconds; left > 0; left = end - MicrosecondsNow()) {
        pollfd readable{connection, POLLIN, 0};
        // Whole milliseconds, rounded up: the wait never ends early.
        if (poll(&readable, 1, static_cast<int>((left + 999) / 1000)) > 0)
            SDL_PumpEvents();
    }
}

} // namespace zorbel::standin
