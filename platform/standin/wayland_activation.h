// Bringing a window forward on Wayland: the compositor's activation protocol
// (xdg_activation_v1) with a token the desktop gave a start of the program.
// A compositor that grants focus only to a request backed by the user's own
// action accepts the token of a start the user just made, where the
// window's own request (which SDL makes when raising it) carries none.
#pragma once

#include <string>

struct wl_display;
struct wl_surface;

namespace zorbel::standin {

enum class WaylandActivation {
    Asked,      // the request went to the compositor
    NoProtocol, // the compositor offers no activation protocol
    NoLibrary,  // the Wayland client library is not to be had
    Failed,     // the connection failed while asking
};

// Asks the compositor on `display` to activate `surface` with `token`, on
// an event queue of its own, so that whoever else reads the display (SDL)
// sees nothing of it. The compositor answers nothing: whether the window
// comes forward is seen by its focus.
WaylandActivation ActivateWaylandSurface(wl_display *display, wl_surface *surface,
                                         const std::string &token);

} // namespace zorbel::standin
