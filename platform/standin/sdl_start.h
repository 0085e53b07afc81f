// The start of SDL's video for the SDL host: which driver, on which display,
// with which of SDL's habits turned off.
#pragma once

#include <string>

namespace zorbel::standin {

// Starts SDL's video on the display the environment names (or the driver
// SDL_VIDEODRIVER names); false, with the reason in `problem`, when none
// opened. Signals to end are watched from before anything can wait on the
// display.
bool StartSdlVideo(std::string *problem);

} // namespace zorbel::standin
