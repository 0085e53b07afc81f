#include "platform/standin/sdl_box_colours.h"

#include <SDL_syswm.h>

#include <dlfcn.h>

namespace zorbel::standin {

namespace {

// Background, text, button border, button background, the hovered button's
// text (SDL's order), as 0xRRGGBB.
constexpr unsigned long kWanted[SDL_MESSAGEBOX_COLOR_MAX] = {0xE0E0E0, 0x000000, 0x404040, 0xC0C0C0,
                                                             0x000080};

using DefaultScreen = int (*)(Display *);
using DefaultColormap = Colormap (*)(Display *, int);
using AllocColor = Status (*)(Display *, Colormap, XColor *);

} // namespace

bool ReadableBoxColours(SDL_Window *window, SDL_MessageBoxColorScheme *scheme)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    void *xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (xlib == nullptr)
        return false;
    auto defaultScreen = reinterpret_cast<DefaultScreen>(dlsym(xlib, "XDefaultScreen"));
    auto defaultColormap = reinterpret_cast<DefaultColormap>(dlsym(xlib, "XDefaultColormap"));
    auto allocColor = reinterpret_cast<AllocColor>(dlsym(xlib, "XAllocColor"));
    bool found = defaultScreen != nullptr && defaultColormap != nullptr && allocColor != nullptr;
    Display *display = info.info.x11.display;
    const Colormap map = found ? defaultColormap(display, defaultScreen(display)) : 0;
    for (int i = 0; found && i < SDL_MESSAGEBOX_COLOR_MAX; ++i) {
        XColor colour{};
        colour.red = static_cast<unsigned short>(((kWanted[i] >> 16) & 0xFF) * 0x101);
        colour.green = static_cast<unsigned short>(((kWanted[i] >> 8) & 0xFF) * 0x101);
        colour.blue = static_cast<unsigned short>((kWanted[i] & 0xFF) * 0x101);
        colour.flags = DoRed | DoGreen | DoBlue;
        found = allocColor(display, map, &colour) != 0 && colour.pixel <= 0xFFFFFF;
        scheme->colors[i] = SDL_MessageBoxColor{static_cast<Uint8>((colour.pixel >> 16) & 0xFF),
                                                static_cast<Uint8>((colour.pixel >> 8) & 0xFF),
                                                static_cast<Uint8>(colour.pixel & 0xFF)};
    }
    (void)dlclose(xlib);
    return found;
}

} // namespace zorbel::standin
