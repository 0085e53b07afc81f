// A wait that takes in input as it arrives. The SDL host waits between frames
// to keep to the display's rhythm; input that arrives meanwhile is read from
// the display at once, so that whatever watches SDL's events (the
// force-feedback library following the pointer) sees it without waiting for
// the next frame. The messages it becomes are made at the next pump, as ever.
#pragma once

struct SDL_Window;

namespace zorbel::standin {

// Waits `microseconds`, reading the display's events into SDL's queue as
// they come where the display can say when they do (X11), and plainly
// sleeping elsewhere.
void WaitTakingInInput(SDL_Window *window, long long microseconds);
// Waits up to `microseconds` until SDL has an event queued: reading the X
// display as above, or in SDL's own wait on another display, and looking
// at SDL's other sources (controllers, while one is open) at least every
// `sliceUs`.
void WaitForInput(SDL_Window *window, long long microseconds, long long sliceUs);

} // namespace zorbel::standin
