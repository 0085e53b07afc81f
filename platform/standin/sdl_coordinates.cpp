#include "platform/standin/sdl_coordinates.h"

#include "platform/standin/platform_state.h"

#include <cmath>

namespace zorbel::standin {

POINT WindowToPicture(SDL_Renderer *renderer, int x, int y)
{
    if (renderer == nullptr)
        return POINT{x, y};
    float pictureX = 0.0f;
    float pictureY = 0.0f;
    SDL_RenderWindowToLogical(renderer, x, y, &pictureX, &pictureY);
    return POINT{static_cast<LONG>(std::floor(pictureX)), static_cast<LONG>(std::floor(pictureY))};
}

POINT PictureToWindow(SDL_Renderer *renderer, POINT picture)
{
    if (renderer == nullptr)
        return picture;
    int baseX = 0;
    int baseY = 0;
    SDL_RenderLogicalToWindow(renderer, static_cast<float>(picture.x),
                              static_cast<float>(picture.y), &baseX, &baseY);
    // SDL's mapping onto the window truncates: the pixel wanted is that one
    // or the next one over.
    for (int step = 0; step < 4; ++step) {
        const int x = baseX + (step & 1);
        const int y = baseY + (step >> 1);
        const POINT back = WindowToPicture(renderer, x, y);
        if (back.x == picture.x && back.y == picture.y)
            return POINT{x, y};
    }
    return POINT{baseX, baseY};
}

POINT ScreenToClientOf(const Window &window, POINT screen)
{
    return POINT{screen.x - window.rect.left, screen.y - window.rect.top};
}

POINT ClientToScreenOf(const Window &window, POINT client)
{
    return POINT{client.x + window.rect.left, client.y + window.rect.top};
}

} // namespace zorbel::standin
