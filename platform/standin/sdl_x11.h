// SDL's X11 display, and Xlib as SDL loaded it: the one way the SDL host
// reaches X11. The program links no X library of its own and never loads
// one: where SDL's video is not X11, or has not loaded Xlib (yet), every
// answer here says there is none.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>

#include <X11/extensions/Xrandr.h>

namespace zorbel::standin {

// The X display and window of an SDL window; false where it is not on X11.
bool X11Of(SDL_Window *window, Display **display, ::Window *native);

// The Xlib functions the host calls, each null where it is missing.
struct Xlib {
    Status (*getGeometry)(Display *, Drawable, ::Window *, int *, int *, unsigned *, unsigned *,
                          unsigned *, unsigned *) = nullptr;
    int (*moveResize)(Display *, ::Window, int, int, unsigned, unsigned) = nullptr;
    int (*flush)(Display *) = nullptr;
    int (*defaultScreen)(Display *) = nullptr;
    Colormap (*defaultColormap)(Display *, int) = nullptr;
    Status (*allocColor)(Display *, Colormap, XColor *) = nullptr;
    int (*connectionNumber)(Display *) = nullptr;
    char *(*displayString)(Display *) = nullptr;
    XIOErrorHandler (*setIOErrorHandler)(XIOErrorHandler) = nullptr;
    void (*setIOErrorExitHandler)(Display *, XIOErrorExitHandler, void *) = nullptr;
    XErrorHandler (*setErrorHandler)(XErrorHandler) = nullptr;
    Bool (*translate)(Display *, ::Window, ::Window, int, int, int *, int *, ::Window *) = nullptr;
    Bool (*queryPointer)(Display *, ::Window, ::Window *, ::Window *, int *, int *, int *, int *,
                         unsigned *) = nullptr;
    int (*getInputFocus)(Display *, ::Window *, int *) = nullptr;
    Atom (*internAtom)(Display *, const char *, Bool) = nullptr;
    Status (*sendEvent)(Display *, ::Window, Bool, long, XEvent *) = nullptr;
    int (*changeProperty)(Display *, ::Window, Atom, Atom, int, int, const unsigned char *,
                          int) = nullptr;
    int (*getProperty)(Display *, ::Window, Atom, long, long, Bool, Atom, Atom *, int *,
                       unsigned long *, unsigned long *, unsigned char **) = nullptr;
    int (*free)(void *) = nullptr;
    int (*sync)(Display *, Bool) = nullptr;
    Bool (*checkIfEvent)(Display *, XEvent *, Bool (*)(Display *, XEvent *, XPointer),
                         XPointer) = nullptr;
    // RandR 1.5's monitors, from libXrandr where SDL's X11 driver loaded it.
    XRRMonitorInfo *(*getMonitors)(Display *, ::Window, Bool, int *) = nullptr;
    void (*freeMonitors)(XRRMonitorInfo *) = nullptr;
};

// Xlib's functions once SDL has loaded Xlib (looked up the first time it
// has); null where it has not. On the program's thread.
const Xlib *LoadedXlib();

// The descriptor of the X connection of an SDL window, or -1.
int X11Connection(SDL_Window *window);

} // namespace zorbel::standin
