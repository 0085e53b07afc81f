#include "platform/standin/sdl_box_colours.h"

#include "platform/standin/sdl_x11.h"

namespace zorbel::standin {

namespace {

// Background, text, button border, button background, the hovered button's
// text (SDL's order), as 0xRRGGBB.
constexpr unsigned long kWanted[SDL_MESSAGEBOX_COLOR_MAX] = {0xE0E0E0, 0x000000, 0x404040, 0xC0C0C0,
                                                             0x000080};

} // namespace

bool ReadableBoxColours(SDL_Window *window, SDL_MessageBoxColorScheme *scheme)
{
    const Xlib *xlib = LoadedXlib();
    Display *display = nullptr;
    ::Window native = 0;
    if (xlib == nullptr || !X11Of(window, &display, &native))
        return false;
    bool found = xlib->defaultScreen != nullptr && xlib->defaultColormap != nullptr &&
                 xlib->allocColor != nullptr;
    const Colormap map = found ? xlib->defaultColormap(display, xlib->defaultScreen(display)) : 0;
    for (int i = 0; found && i < SDL_MESSAGEBOX_COLOR_MAX; ++i) {
        XColor colour{};
        colour.red = static_cast<unsigned short>(((kWanted[i] >> 16) & 0xFF) * 0x101);
        colour.green = static_cast<unsigned short>(((kWanted[i] >> 8) & 0xFF) * 0x101);
        colour.blue = static_cast<unsigned short>((kWanted[i] & 0xFF) * 0x101);
        colour.flags = DoRed | DoGreen | DoBlue;
        found = xlib->allocColor(display, map, &colour) != 0 && colour.pixel <= 0xFFFFFF;
        scheme->colors[i] = SDL_MessageBoxColor{static_cast<Uint8>((colour.pixel >> 16) & 0xFF),
                                                static_cast<Uint8>((colour.pixel >> 8) & 0xFF),
                                                static_cast<Uint8>(colour.pixel & 0xFF)};
    }
    return found;
}

} // namespace zorbel::standin
