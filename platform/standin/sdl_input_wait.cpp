#include "platform/standin/sdl_input_wait.h"

#include <SDL.h>
#include <poll.h>

#include <chrono>
#include <thread>

#include "platform/standin/monotonic.h"
#include "platform/standin/sdl_x11.h"

namespace zorbel::standin {

void WaitTakingInInput(SDL_Window *window, long long microseconds)
{
    const int connection = X11Connection(window);
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
