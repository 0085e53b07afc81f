#include "platform/standin/sdl_screen.h"

#include <SDL_syswm.h>

namespace zorbel::standin {

namespace {

// Xlib as SDL loaded it, so that the program links no X library of its own.
struct Xlib {
    using GetGeometry = Status (*)(Display *, Drawable, ::Window *, int *, int *, unsigned *,
                                   unsigned *, unsigned *, unsigned *);
    using MoveResize = int (*)(Display *, ::Window, int, int, unsigned, unsigned);
    using Flush = int (*)(Display *);
    GetGeometry getGeometry = nullptr;
    MoveResize moveResize = nullptr;
    Flush flush = nullptr;
};

const Xlib &LoadedXlib()
{
    static const Xlib xlib = [] {
        Xlib loaded;
        if (void *library = SDL_LoadObject("libX11.so.6")) { // SDL holds it open already
            loaded.getGeometry =
                reinterpret_cast<Xlib::GetGeometry>(SDL_LoadFunction(library, "XGetGeometry"));
            loaded.moveResize =
                reinterpret_cast<Xlib::MoveResize>(SDL_LoadFunction(library, "XMoveResizeWindow"));
            loaded.flush = reinterpret_cast<Xlib::Flush>(SDL_LoadFunction(library, "XFlush"));
        }
        return loaded;
    }();
    return xlib;
}

bool X11Of(SDL_Window *window, SDL_SysWMinfo *info)
{
    SDL_VERSION(&info->version);
    return window != nullptr && SDL_GetWindowWMInfo(window, info) == SDL_TRUE &&
           info->subsystem == SDL_SYSWM_X11 && info->info.x11.display != nullptr;
}

} // namespace

bool ScreenSizeNow(SDL_Window *window, int *width, int *height)
{
    SDL_SysWMinfo info;
    const Xlib &xlib = LoadedXlib();
    if (xlib.getGeometry == nullptr || !X11Of(window, &info))
        return false;
    Display *display = info.info.x11.display;
    ::Window root = 0;
    ::Window child = 0;
    int x = 0;
    int y = 0;
    unsigned w = 0;
    unsigned h = 0;
    unsigned border = 0;
    unsigned depth = 0;
    // The window's root, then the root's own size: the screen as it is now.
    if (xlib.getGeometry(display, info.info.x11.window, &root, &x, &y, &w, &h, &border, &depth) ==
            0 ||
        xlib.getGeometry(display, root, &child, &x, &y, &w, &h, &border, &depth) == 0)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool CoverScreen(SDL_Window *window, int width, int height)
{
    SDL_SysWMinfo info;
    const Xlib &xlib = LoadedXlib();
    if (xlib.moveResize == nullptr || xlib.flush == nullptr || !X11Of(window, &info) ||
        width <= 0 || height <= 0)
        return false;
    (void)xlib.moveResize(info.info.x11.display, info.info.x11.window, 0, 0,
                          static_cast<unsigned>(width), static_cast<unsigned>(height));
    (void)xlib.flush(info.info.x11.display);
    return true;
}

} // namespace zorbel::standin
