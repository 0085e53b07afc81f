// The screen as the X server has it now. SDL 2 keeps the size an X screen
// had when its video started, and is told of outputs coming and going but
// not of the screen changing size (a resolution changed, a projector
// plugged in), so the SDL host asks the server itself.
#pragma once

#include <SDL.h>

namespace zorbel::standin {

// The size of the screen the window is on; false where that cannot be
// asked (not an X window, no Xlib).
bool ScreenSizeNow(SDL_Window *window, int *width, int *height);
// Moves and sizes the window on the X server itself: SDL does not resize
// a window it keeps full screen.
bool CoverScreen(SDL_Window *window, int width, int height);

} // namespace zorbel::standin
