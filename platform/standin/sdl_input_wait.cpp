#include "platform/standin/sdl_input_wait.h"

#include <SDL.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/standin/ending_signals.h"
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

namespace {

bool EventQueued()
{
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

} // namespace

void WaitForInput(SDL_Window *window, long long microseconds, long long sliceUs)
{
    const int connection = X11Connection(window);
    // SDL reads controllers only when pumped: with one open, the wait looks
    // every slice; otherwise only the display can bring input.
    const bool controllers = SDL_NumJoysticks() > 0;
    if (connection < 0 && !controllers) {
        // Another display: SDL's own wait for it leaves the event queued.
        (void)SDL_WaitEventTimeout(nullptr, static_cast<int>((microseconds + 999) / 1000));
        return;
    }
    if (!controllers)
        sliceUs = 0;
    const long long end = MicrosecondsNow() + microseconds;
    SDL_PumpEvents();
    // A signal to end (which interrupts the wait) is passed on at once too.
    for (long long left = microseconds; left > 0 && !EventQueued() && EndRequested() == 0;
         left = end - MicrosecondsNow()) {
        const long long slice = sliceUs > 0 ? std::min(left, sliceUs) : left;
        if (connection < 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(slice));
        } else {
            pollfd readable{connection, POLLIN, 0};
            (void)poll(&readable, 1, static_cast<int>((slice + 999) / 1000));
        }
        SDL_PumpEvents();
    }
}

} // namespace zorbel::standin
