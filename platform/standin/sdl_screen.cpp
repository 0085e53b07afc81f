#include "platform/standin/sdl_screen.h"

#include "platform/standin/sdl_x11.h"

namespace zorbel::standin {

bool ScreenSizeNow(SDL_Window *window, int *width, int *height)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window native = 0;
    if (xlib == nullptr || xlib->getGeometry == nullptr || !X11Of(window, &display, &native))
        return false;
    ::Window root = 0;
    ::Window child = 0;
    int x = 0;
    int y = 0;
    unsigned w = 0;
    unsigned h = 0;
    unsigned border = 0;
    unsigned depth = 0;
    // The window's root, then the root's own size: the screen as it is now.
    if (xlib->getGeometry(display, native, &root, &x, &y, &w, &h, &border, &depth) == 0 ||
        xlib->getGeometry(display, root, &child, &x, &y, &w, &h, &border, &depth) == 0)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool CoverScreen(SDL_Window *window, int width, int height)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window native = 0;
    if (xlib == nullptr || xlib->moveResize == nullptr || xlib->flush == nullptr ||
        !X11Of(window, &display, &native) || width <= 0 || height <= 0)
        return false;
    (void)xlib->moveResize(display, native, 0, 0, static_cast<unsigned>(width),
                           static_cast<unsigned>(height));
    (void)xlib->flush(display);
    return true;
}

} // namespace zorbel::standin
