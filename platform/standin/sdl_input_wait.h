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

} // namespace zorbel::standin
