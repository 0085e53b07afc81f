#include "platform/standin/sdl_screen.h"

#include "platform/standin/sdl_x11.h"

namespace zorbel::standin {

namespace {

// The place and size of X window `of` in its parent, and its root.
bool Geometry(const Xlib &xlib, Display *display, ::Window of, ::Window *root, SDL_Rect *place)
{
    int x = 0;
    int y = 0;
    unsigned w = 0;
    unsigned h = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (xlib.getGeometry(display, of, root, &x, &y, &w, &h, &border, &depth) == 0)
        return false;
    *place = SDL_Rect{x, y, static_cast<int>(w), static_cast<int>(h)};
    return true;
}

} // namespace

bool ScreenSizeNow(SDL_Window *window, int *width, int *height)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    if (xlib == nullptr || xlib->getGeometry == nullptr || !X11Of(window, &display, &own))
        return false;
    ::Window root = 0;
    ::Window rootsRoot = 0;
    SDL_Rect place{};
    SDL_Rect screen{};
    // The window's root, then the root's own size: the screen as it is now.
    if (!Geometry(*xlib, display, own, &root, &place) ||
        !Geometry(*xlib, display, root, &rootsRoot, &screen))
        return false;
    *width = screen.w;
    *height = screen.h;
    return true;
}

bool CoverScreen(SDL_Window *window, int width, int height)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    if (xlib == nullptr || xlib->moveResize == nullptr || xlib->flush == nullptr ||
        !X11Of(window, &display, &own) || width <= 0 || height <= 0)
        return false;
    (void)xlib->moveResize(display, own, 0, 0, static_cast<unsigned>(width),
                           static_cast<unsigned>(height));
    (void)xlib->flush(display);
    return true;
}

bool MonitorAt(SDL_Window *window, int x, int y, SDL_Rect *monitor, int *index)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    if (xlib == nullptr || xlib->getMonitors == nullptr || xlib->freeMonitors == nullptr ||
        !X11Of(window, &display, &own))
        return false;
    int count = 0;
    XRRMonitorInfo *monitors = xlib->getMonitors(display, DefaultRootWindow(display), True, &count);
    if (monitors == nullptr)
        return false;
    int chosen = -1;
    for (int i = 0; i < count && chosen < 0; ++i)
        if (x >= monitors[i].x && x < monitors[i].x + monitors[i].width && y >= monitors[i].y &&
            y < monitors[i].y + monitors[i].height)
            chosen = i;
    if (chosen < 0 && count > 0)
        chosen = 0;
    if (chosen >= 0) {
        *monitor = SDL_Rect{monitors[chosen].x, monitors[chosen].y, monitors[chosen].width,
                            monitors[chosen].height};
        *index = chosen;
    }
    xlib->freeMonitors(monitors);
    return chosen >= 0 && monitor->w > 0 && monitor->h > 0;
}

namespace {

// Where the pointer is on the window's screen and which buttons are down, as
// the X server has them now; false where not X11.
bool QueryPointer(SDL_Window *window, int *x, int *y, unsigned *buttons)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    if (xlib == nullptr || xlib->queryPointer == nullptr || !X11Of(window, &display, &own))
        return false;
    ::Window root = 0;
    ::Window child = 0;
    int windowX = 0;
    int windowY = 0;
    return xlib->queryPointer(display, DefaultRootWindow(display), &root, &child, x, y, &windowX,
                              &windowY, buttons) == True;
}

} // namespace

bool PointerOnScreen(SDL_Window *window, int *x, int *y)
{
    unsigned buttons = 0;
    return QueryPointer(window, x, y, &buttons);
}

bool LeftButtonNow(SDL_Window *window, bool *down)
{
    int x = 0;
    int y = 0;
    unsigned buttons = 0;
    if (!QueryPointer(window, &x, &y, &buttons))
        return false;
    *down = (buttons & Button1Mask) != 0;
    return true;
}

bool WindowPlace(SDL_Window *window, SDL_Rect *place)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    if (xlib == nullptr || xlib->getGeometry == nullptr || xlib->translate == nullptr ||
        !X11Of(window, &display, &own))
        return false;
    ::Window root = 0;
    ::Window child = 0;
    SDL_Rect size{};
    if (!Geometry(*xlib, display, own, &root, &size) ||
        xlib->translate(display, own, root, 0, 0, &place->x, &place->y, &child) == False)
        return false;
    place->w = size.w;
    place->h = size.h;
    return true;
}

bool WindowManagerRuns(SDL_Window *window)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    if (xlib == nullptr || xlib->internAtom == nullptr || xlib->getProperty == nullptr ||
        xlib->free == nullptr || !X11Of(window, &display, &own))
        return true; // not X11: the compositor manages every window
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char *data = nullptr;
    const bool named =
        xlib->getProperty(display, DefaultRootWindow(display),
                          xlib->internAtom(display, "_NET_SUPPORTING_WM_CHECK", False), 0, 1, False,
                          XA_WINDOW, &type, &format, &count, &left, &data) == Success &&
        data != nullptr && count == 1;
    if (data != nullptr)
        (void)xlib->free(data);
    return named;
}

bool KeyboardFocusNow(SDL_Window *window, bool *ours)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    if (xlib == nullptr || xlib->getInputFocus == nullptr || !X11Of(window, &display, &own))
        return false;
    ::Window focus = None;
    int revert = 0;
    (void)xlib->getInputFocus(display, &focus, &revert);
    if (focus == PointerRoot)
        return false;
    *ours = focus == own;
    return true;
}

bool MarkedFullScreen(SDL_Window *window)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    // With no window manager nobody keeps the state: the window's place is
    // all there is.
    if (xlib == nullptr || xlib->internAtom == nullptr || xlib->getProperty == nullptr ||
        xlib->free == nullptr || !X11Of(window, &display, &own) || !WindowManagerRuns(window))
        return true;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char *data = nullptr;
    const Atom fullScreen = xlib->internAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    if (xlib->getProperty(display, own, xlib->internAtom(display, "_NET_WM_STATE", False), 0, 64,
                          False, XA_ATOM, &type, &format, &count, &left, &data) != Success ||
        data == nullptr)
        return false;
    bool marked = false;
    if (format == 32) {
        const auto *atoms = reinterpret_cast<const long *>(data); // Xlib hands 32-bit items as long
        for (unsigned long i = 0; i < count && !marked; ++i)
            marked = static_cast<Atom>(atoms[i]) == fullScreen;
    }
    (void)xlib->free(data);
    return marked;
}

bool AskFullScreenOn(SDL_Window *window, const SDL_Rect &monitor, int index)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    if (xlib == nullptr || xlib->internAtom == nullptr || xlib->sendEvent == nullptr ||
        xlib->changeProperty == nullptr || xlib->moveResize == nullptr || xlib->flush == nullptr ||
        !X11Of(window, &display, &own) || monitor.w <= 0 || monitor.h <= 0 || index < 0)
        return false;
    const ::Window root = DefaultRootWindow(display);
    const Atom monitors = xlib->internAtom(display, "_NET_WM_FULLSCREEN_MONITORS", False);
    // The property for a window not mapped yet, the request for one that is
    // (the window manager acts on the one or the other).
    const long edges[4] = {index, index, index, index};
    (void)xlib->changeProperty(display, own, monitors, XA_CARDINAL, 32, PropModeReplace,
                               reinterpret_cast<const unsigned char *>(edges), 4);
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = own;
    request.xclient.format = 32;
    request.xclient.message_type = monitors;
    for (int i = 0; i < 4; ++i)
        request.xclient.data.l[i] = index;
    request.xclient.data.l[4] = 1; // from an application
    (void)xlib->sendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                          &request);
    request.xclient.message_type = xlib->internAtom(display, "_NET_WM_STATE", False);
    request.xclient.data.l[0] = 1; // add
    request.xclient.data.l[1] =
        static_cast<long>(xlib->internAtom(display, "_NET_WM_STATE_FULLSCREEN", False));
    request.xclient.data.l[2] = 0;
    request.xclient.data.l[3] = 1;
    request.xclient.data.l[4] = 0;
    (void)xlib->sendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                          &request);
    (void)xlib->moveResize(display, own, monitor.x, monitor.y, static_cast<unsigned>(monitor.w),
                           static_cast<unsigned>(monitor.h));
    (void)xlib->flush(display);
    return true;
}

} // namespace zorbel::standin
