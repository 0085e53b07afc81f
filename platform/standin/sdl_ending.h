// How a session on the screen ends other than by the program's choice: a
// hang-up (its terminal closed) and the loss of the display (the X server
// gone, or its connection cut).
#pragma once

#include <SDL.h>

namespace zorbel::standin {

// Once SDL's video is up: a lost X display no longer ends the process from
// inside Xlib.
void WatchSessionEnd();
// Lets the X display of this window go on, dead, after its loss, so that the
// program can shut down in order (see sdl_ending.cpp).
void SurviveDisplayLoss(SDL_Window *window);
// Cuts the connection of the windows' display, from any thread, so that a
// program waiting on a display that stopped answering meets its loss; false
// when there is none to cut.
bool CutDisplay();
// Opens a connection of its own to the server of the windows' display and
// greets it, from any thread: the socket, on which the server's answer
// arrives if it is still serving; -1 when there is no display to call or it
// cannot be reached.
int CallDisplay();
// Why the display was lost; null while it is there.
const char *DisplayLoss();

// Runs `draw`, which draws on the screen through SDL or waits on it (for a
// window to be mapped), and answers true; false when the display was lost in
// the middle of it (see sdl_ending.cpp). `draw` must keep nothing on its
// stack that needs a destructor run.
bool DrawOnScreen(void (*draw)(void *), void *context);

} // namespace zorbel::standin
