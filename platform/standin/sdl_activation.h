// Bringing the program's window forward when another start of the program
// asks, in the way the desktop accepts from an application.
#pragma once

#include <SDL.h>

#include <string>

namespace zorbel::standin {

// Activates the window with the desktop's own protocol and the asking
// start's activation token (empty for none): on X11 a request to the window
// manager, on Wayland the compositor's activation protocol with the token.
// False where neither is to be had (Wayland without a token or without the
// protocol), and the caller raises the window as it can.
bool ActivateWindow(SDL_Window *window, const std::string &activation);

// The time a startup identifier names (its "_TIME" part), 0 for none.
unsigned long StartupTime(const std::string &startupId);

} // namespace zorbel::standin
