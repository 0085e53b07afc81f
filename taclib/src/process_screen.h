// What the library reads of the process it runs in, the same on every
// platform: the screen the program's coordinates cover and the pointer, from
// GetSystemMetrics and GetCursorPos (user32's on Windows, the program's own
// stand-in layer's elsewhere; see taclib/README.md, "Threads and the
// program").
#pragma once

#include "backend.h"
#include "follow.h"

namespace taclib {

// TACLIB_SCREEN's size when it is set and usable; one that is set but not
// usable is said (Notice), and false.
bool ScreenOverride(ScreenSize *out);

// TACLIB_SCREEN's size, else GetSystemMetrics' (which after a full-screen
// mode change is the mode's), else kDefaultScreen when that answers 0.
ScreenSize ProcessScreen();

// The pointer from GetCursorPos, safe on any thread, and ProcessScreen.
PointerSource ProcessPointer();

} // namespace taclib
