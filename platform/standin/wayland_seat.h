// Whether the Wayland display the environment names offers a seat (a
// keyboard or a pointer). SDL 2.26's Wayland driver cannot start without
// one: it ends the process inside its start. The display is asked on a
// connection of its own, in the protocol's own words, before SDL is.
#pragma once

namespace zorbel::standin {

enum class WaylandSeat {
    Offered,    // the compositor offers a seat
    NotOffered, // the compositor listed its globals, and no seat among them
    Unknown,    // no display named, not reached, or no full answer in time
};

// Asks the display of WAYLAND_DISPLAY (a name in XDG_RUNTIME_DIR, or a
// path) for its globals, waiting at most `waitMs` for the whole answer.
WaylandSeat AskWaylandSeat(int waitMs);

} // namespace zorbel::standin
