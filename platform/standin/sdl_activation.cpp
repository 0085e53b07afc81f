// On X11 a window is activated by a _NET_ACTIVE_WINDOW request to the root
// window, from an application (source indication 1), with the time of the
// user action it answers. A window manager with focus-stealing prevention
// (Mutter, KWin) refuses a request whose time is older than the user's last
// action elsewhere: the time of the window's own last input, which SDL
// sends, is refused once the user has used another window since. The
// action answered here is the user's new start of the program: the time
// its startup identifier names where the desktop gave it one, else the X
// server's time now, when that start asked (it asks as it starts). With no
// window manager at all the window takes the keyboard focus itself. On
// Wayland the asking start's activation token is passed on to the
// compositor (wayland_activation.h).
#include "platform/standin/sdl_activation.h"

#include "platform/standin/sdl_screen.h"
#include "platform/standin/sdl_x11.h"
#include "platform/standin/wayland_activation.h"

#include <cstdlib>

namespace zorbel::standin {

namespace {

struct TimeProbe {
    ::Window window;
    Atom property;
};

Bool IsProbe(Display *, XEvent *event, XPointer probe)
{
    const auto *wanted = reinterpret_cast<const TimeProbe *>(probe);
    return event->type == PropertyNotify && event->xproperty.window == wanted->window &&
           event->xproperty.atom == wanted->property;
}

// The server's time now: a property of the window changed (nothing appended
// to it) makes the server report the change with its time. The window's
// events include its property changes (SDL asks for them); only the
// probe's own report is taken from the queue.
unsigned long ServerTimeNow(const Xlib &xlib, Display *display, ::Window window)
{
    TimeProbe probe{window, xlib.internAtom(display, "ZORBEL_TIME_PROBE", False)};
    static const unsigned char nothing = 0;
    (void)xlib.changeProperty(display, window, probe.property, XA_STRING, 8, PropModeAppend,
                              &nothing, 0);
    (void)xlib.sync(display, False); // the report is in the queue once the sync returns
    XEvent event;
    if (xlib.checkIfEvent(display, &event, IsProbe, reinterpret_cast<XPointer>(&probe)) == True)
        return event.xproperty.time;
    return 0;
}

} // namespace

unsigned long StartupTime(const std::string &startupId)
{
    const std::string::size_type at = startupId.rfind("_TIME");
    if (at == std::string::npos)
        return 0;
    const std::string digits = startupId.substr(at + 5);
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const unsigned long long time = std::strtoull(digits.c_str(), nullptr, 10);
    return time <= 0xFFFFFFFFull ? static_cast<unsigned long>(time) : 0;
}

namespace {

// On Wayland a window is activated with the token the asking start was
// given; with none, SDL's own raise is all there is.
bool ActivateOnWayland(SDL_Window *window, const std::string &activation)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (activation.empty() || window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE ||
        info.subsystem != SDL_SYSWM_WAYLAND || info.info.wl.display == nullptr ||
        info.info.wl.surface == nullptr)
        return false;
    return ActivateWaylandSurface(info.info.wl.display, info.info.wl.surface, activation) ==
           WaylandActivation::Asked;
}

} // namespace

bool ActivateWindow(SDL_Window *window, const std::string &activation)
{
    if (ActivateOnWayland(window, activation))
        return true;
    const Xlib *loaded = LoadedXlib();
    Display *display = nullptr;
    ::Window own = 0;
    if (loaded == nullptr || loaded->internAtom == nullptr || loaded->sendEvent == nullptr ||
        loaded->changeProperty == nullptr || loaded->sync == nullptr ||
        loaded->checkIfEvent == nullptr || !X11Of(window, &display, &own))
        return false;
    const Xlib &xlib = *loaded;
    if (!WindowManagerRuns(window)) {
        // Nobody to ask: the window takes the keyboard focus itself.
        SDL_SetWindowInputFocus(window);
        return true;
    }
    unsigned long time = StartupTime(activation);
    if (time == 0)
        time = ServerTimeNow(xlib, display, own);
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = own;
    request.xclient.message_type = xlib.internAtom(display, "_NET_ACTIVE_WINDOW", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = 1; // from an application
    request.xclient.data.l[1] = static_cast<long>(time);
    request.xclient.data.l[2] = 0; // no window of its own active
    (void)xlib.sendEvent(display, DefaultRootWindow(display), False,
                         SubstructureRedirectMask | SubstructureNotifyMask, &request);
    (void)xlib.sync(display, False);
    return true;
}

} // namespace zorbel::standin
