// The SDL host's message box: an error box with one OK button.
#pragma once

#include <SDL.h>

namespace zorbel::standin {

// Shows the box, on the display of `near` where not null, in colours
// readable there; false when SDL could show none.
bool ShowSdlMessageBox(SDL_Window *near, const char *text, const char *caption);

} // namespace zorbel::standin
