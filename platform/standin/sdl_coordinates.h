// The SDL host's changes of coordinates, each written once: a pixel of a
// window to the pixel of the picture it shows (SDL's scaling, toward the top
// left), a picture pixel back to a window pixel SDL reads as that one, and
// the program's screen to a window's client area and back.
#pragma once

#include "platform/standin/windef.h"

#include <SDL.h>

namespace zorbel::standin {

struct Window;

// The picture pixel that window pixel (x, y) shows; the same pixel where
// there is no renderer to scale the picture.
POINT WindowToPicture(SDL_Renderer *renderer, int x, int y);
// A window pixel that WindowToPicture reads as `picture`.
POINT PictureToWindow(SDL_Renderer *renderer, POINT picture);

// Between the program's screen and the client area of a top-level window,
// whose client area starts at its rectangle's corner.
POINT ScreenToClientOf(const Window &window, POINT screen);
POINT ClientToScreenOf(const Window &window, POINT client);

} // namespace zorbel::standin
