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

// The monitor at (x, y) of the window's screen, as the X server counts
// monitors (RandR's, which may split one output in two), with its index in
// that count; the first where none holds the point. False where monitors
// are not to be had (not X11, no RandR 1.5).
bool MonitorAt(SDL_Window *window, int x, int y, SDL_Rect *monitor, int *index);
// Where the pointer is on the window's screen; false where not X11.
bool PointerOnScreen(SDL_Window *window, int *x, int *y);
// Whether the left button is down now, as the X server has it (SDL's own
// answer for the whole screen may be one it kept from before the last
// press); false where not X11.
bool LeftButtonNow(SDL_Window *window, bool *down);
// Where the window's pixels are on the screen now; false where not X11.
bool WindowPlace(SDL_Window *window, SDL_Rect *place);
// Whether a window manager runs on the window's X screen (one that follows
// the desktop's protocol names itself on the root window); true where not
// X11.
bool WindowManagerRuns(SDL_Window *window);
// Whether the X server's keyboard focus is on this window now; false where
// that cannot be told (not X11, or a focus that follows the pointer).
bool KeyboardFocusNow(SDL_Window *window, bool *ours);
// Whether the window's state says full screen (_NET_WM_STATE, which SDL
// sets and a window manager may change); true where that cannot be asked.
bool MarkedFullScreen(SDL_Window *window);
// Asks the window manager to show the window full screen on exactly this
// monitor (_NET_WM_FULLSCREEN_MONITORS and _NET_WM_STATE), and moves it
// there itself, for a screen that has no window manager.
bool AskFullScreenOn(SDL_Window *window, const SDL_Rect &monitor, int index);

} // namespace zorbel::standin
