#include "platform/standin/sdl_x11.h"

#include <dlfcn.h>

namespace zorbel::standin {

namespace {

template <class Call> void Find(void *library, const char *name, Call *call)
{
    *call = reinterpret_cast<Call>(dlsym(library, name));
}

} // namespace

bool X11Of(SDL_Window *window, Display **display, ::Window *native)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE ||
        info.subsystem != SDL_SYSWM_X11 || info.info.x11.display == nullptr)
        return false;
    *display = info.info.x11.display;
    *native = info.info.x11.window;
    return true;
}

const Xlib *LoadedXlib()
{
    static Xlib xlib;
    static bool found = false;
    if (found)
        return &xlib;
    // Only the Xlib SDL's X11 driver loaded: none is loaded here.
    void *library = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr)
        return nullptr;
    Find(library, "XGetGeometry", &xlib.getGeometry);
    Find(library, "XMoveResizeWindow", &xlib.moveResize);
    Find(library, "XFlush", &xlib.flush);
    Find(library, "XDefaultScreen", &xlib.defaultScreen);
    Find(library, "XDefaultColormap", &xlib.defaultColormap);
    Find(library, "XAllocColor", &xlib.allocColor);
    Find(library, "XConnectionNumber", &xlib.connectionNumber);
    Find(library, "XDisplayString", &xlib.displayString);
    Find(library, "XSetIOErrorHandler", &xlib.setIOErrorHandler);
    Find(library, "XSetIOErrorExitHandler", &xlib.setIOErrorExitHandler);
    Find(library, "XSetErrorHandler", &xlib.setErrorHandler);
    Find(library, "XTranslateCoordinates", &xlib.translate);
    Find(library, "XQueryPointer", &xlib.queryPointer);
    Find(library, "XGetInputFocus", &xlib.getInputFocus);
    Find(library, "XInternAtom", &xlib.internAtom);
    Find(library, "XSendEvent", &xlib.sendEvent);
    Find(library, "XChangeProperty", &xlib.changeProperty);
    Find(library, "XGetWindowProperty", &xlib.getProperty);
    Find(library, "XFree", &xlib.free);
    Find(library, "XSync", &xlib.sync);
    Find(library, "XCheckIfEvent", &xlib.checkIfEvent);
    if (void *randr = dlopen("libXrandr.so.2", RTLD_NOW | RTLD_NOLOAD)) {
        Find(randr, "XRRGetMonitors", &xlib.getMonitors);
        Find(randr, "XRRFreeMonitors", &xlib.freeMonitors);
    }
    // The reference taken here is kept: SDL keeps Xlib for the process.
    found = true;
    return &xlib;
}

int X11Connection(SDL_Window *window)
{
    Display *display = nullptr;
    ::Window native = 0;
    const Xlib *xlib = LoadedXlib();
    if (xlib == nullptr || xlib->connectionNumber == nullptr || !X11Of(window, &display, &native))
        return -1;
    return xlib->connectionNumber(display);
}

} // namespace zorbel::standin
