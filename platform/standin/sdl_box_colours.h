// Colours for SDL's message boxes that read on every depth of X screen.
#pragma once

#include <SDL.h>

namespace zorbel::standin {

// SDL's X11 message box packs each colour as 0xRRGGBB and hands that to the
// server as a pixel value, which is right on a 24-bit screen only (on a
// 16-bit one its colours come out teal and yellow-green, on an 8-bit one as
// whatever the colour map holds there). Fills `scheme` with dark text on
// light grey, each colour given as the pixel value the screen of `window`'s
// display has for it, split the way SDL packs it; false (SDL's own colours
// then) where the display is not X11 or its colours cannot be had.
bool ReadableBoxColours(SDL_Window *window, SDL_MessageBoxColorScheme *scheme);

} // namespace zorbel::standin
