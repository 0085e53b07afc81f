// How a session on the screen ends other than by the program's choice: a
// hang-up (its terminal closed) and the loss of the display (the X server
// gone, or its connection cut).
#pragma once

#include <SDL.h>

namespace zorbel::standin {

// Once SDL's video is up: SIGHUP ends the program as SIGTERM does, with a
// close request, unless it was ignored from the start (nohup); and a lost X
// display no longer ends the process from inside Xlib.
void WatchSessionEnd();
// Lets the X display of this window go on, dead, after its loss, so that the
// program can shut down in order (see sdl_ending.cpp).
void SurviveDisplayLoss(SDL_Window *window);
// Why the display was lost; null while it is there.
const char *DisplayLoss();

// Runs `draw`, which draws on the screen through SDL, and answers true; false
// when the display was lost in the middle of it (see sdl_ending.cpp). `draw`
// must keep nothing on its stack that needs a destructor run.
bool DrawOnScreen(void (*draw)(void *), void *context);

} // namespace zorbel::standin
