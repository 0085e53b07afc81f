#include "platform/standin/sdl_presenter.h"

#include "platform/standin/monotonic.h"
#include "platform/standin/pixel_buffer.h"
#include "platform/standin/platform_state.h"

#include <chrono>
#include <thread>

namespace zorbel::standin {

namespace {

// The streaming texture a back buffer of this size is shown through, made
// anew after a device reset.
bool EnsureTexture(Presenter &p, const Canvas &canvas, const PixelBuffer &buffer, bool *deviceLost,
                   bool *made)
{
    const int width = buffer.Width();
    const int height = buffer.Height();
    if (canvas.renderer == nullptr)
        return false;
    int textureWidth = 0;
    int textureHeight = 0;
    if (p.texture != nullptr && !*deviceLost &&
        SDL_QueryTexture(p.texture, nullptr, nullptr, &textureWidth, &textureHeight) == 0 &&
        textureWidth == width && textureHeight == height)
        return true;
    if (p.texture != nullptr)
        SDL_DestroyTexture(p.texture);
    SDL_FreeSurface(p.picture);
    SDL_FreeSurface(p.locked);
    p.picture = nullptr;
    p.locked = nullptr;
    *deviceLost = false;
    p.clearedWidth = 0; // whatever the window showed is gone with the device
    Uint32 format = SDL_PIXELFORMAT_RGB565;
    if (p.keepsPixels) {
        const Uint32 shown = SDL_GetWindowPixelFormat(canvas.window);
        SDL_RendererInfo info{};
        if (SDL_GetRendererInfo(canvas.renderer, &info) == 0)
            for (Uint32 i = 0; i < info.num_texture_formats; ++i)
                if (info.texture_formats[i] == shown)
                    format = shown;
        p.picture = SDL_CreateRGBSurfaceWithFormatFrom(nullptr, width, height, 16, buffer.Pitch(),
                                                       SDL_PIXELFORMAT_RGB565);
    }
    p.texture =
        SDL_CreateTexture(canvas.renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    *made = true;
    return p.texture != nullptr && (!p.keepsPixels || p.picture != nullptr);
}

// Only the changed part of the picture goes into the texture, which holds
// the rest from the pictures before; null for all of it.
bool Upload(Presenter &p, const PixelBuffer &buffer, SDL_Rect *changed)
{
    if (p.picture == nullptr)
        return SDL_UpdateTexture(p.texture, nullptr, buffer.Bytes(), buffer.Pitch()) == 0;
    void *pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(p.texture, nullptr, &pixels, &pitch) != 0)
        return false;
    if (p.locked == nullptr || p.locked->pitch != pitch) {
        Uint32 format = 0;
        (void)SDL_QueryTexture(p.texture, &format, nullptr, nullptr, nullptr);
        SDL_FreeSurface(p.locked);
        p.locked = SDL_CreateRGBSurfaceWithFormatFrom(pixels, buffer.Width(), buffer.Height(), 0,
                                                      pitch, format);
    }
    bool copied = false;
    if (p.locked != nullptr) {
        p.locked->pixels = pixels;
        p.picture->pixels = const_cast<unsigned char *>(buffer.Bytes()); // only read
        SDL_Rect target = changed != nullptr ? *changed : SDL_Rect{};
        copied = SDL_BlitSurface(p.picture, changed, p.locked,
                                 changed != nullptr ? &target : nullptr) == 0;
    }
    SDL_UnlockTexture(p.texture);
    return copied;
}

// Whether only what changed since the picture shown needs copying into the
// texture and putting on the screen: a software renderer's texture and
// window surface keep their pixels, and an unscaled picture (no bars beside
// it, none drawn this frame) covers them pixel for pixel.
bool CopiesPart(const Presenter &p, const PresentSetting &setting, bool textureMade)
{
    return p.keepsPixels && !textureMade && setting.windowWidth == setting.pictureWidth &&
           setting.windowHeight == setting.pictureHeight &&
           setting.modeWidth == setting.pictureWidth &&
           setting.modeHeight == setting.pictureHeight && p.clearedWidth == setting.windowWidth &&
           p.clearedHeight == setting.windowHeight;
}

SDL_Rect RectOf(const Raster::Box &box)
{
    if (box.right <= box.left || box.bottom <= box.top)
        return SDL_Rect{0, 0, 0, 0}; // nothing drawn: only the record changed
    return SDL_Rect{static_cast<int>(box.left), static_cast<int>(box.top),
                    static_cast<int>(box.right - box.left), static_cast<int>(box.bottom - box.top)};
}

PresentSetting SettingOf(const Canvas &canvas, const PixelBuffer &buffer)
{
    PresentSetting setting;
    SDL_GetWindowSize(canvas.window, &setting.windowWidth, &setting.windowHeight);
    setting.pictureWidth = buffer.Width();
    setting.pictureHeight = buffer.Height();
    setting.modeWidth = canvas.modeWidth;
    setting.modeHeight = canvas.modeHeight;
    setting.surfaces = State().display.epoch;
    return setting;
}

} // namespace

void ShowModeSize(const Canvas &canvas)
{
    if (canvas.renderer == nullptr)
        return;
    int shownWidth = 0;
    int shownHeight = 0;
    SDL_RenderGetLogicalSize(canvas.renderer, &shownWidth, &shownHeight);
    if (canvas.modeWidth != shownWidth || canvas.modeHeight != shownHeight)
        (void)SDL_RenderSetLogicalSize(canvas.renderer, canvas.modeWidth, canvas.modeHeight);
}

void WaitForTurn(const FramePacer &pacer)
{
    const long long wait = pacer.UntilNextFrame(MicrosecondsNow());
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(wait));
}

void PreparePresenter(Presenter &p, const Canvas &canvas)
{
    SDL_RendererInfo info{};
    p.keepsPixels = canvas.renderer != nullptr &&
                    SDL_GetRendererInfo(canvas.renderer, &info) == 0 &&
                    (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    SDL_DisplayMode shown{};
    if (SDL_GetWindowDisplayMode(canvas.window, &shown) == 0 && shown.refresh_rate > 0)
        p.pacer = FramePacer(1000000 / shown.refresh_rate);
}

void FreePresenter(Presenter &p, bool live)
{
    SDL_FreeSurface(p.picture);
    SDL_FreeSurface(p.locked);
    p.picture = nullptr;
    p.locked = nullptr;
    if (live && p.texture != nullptr)
        SDL_DestroyTexture(p.texture);
    p.texture = nullptr;
}

// A picture the window shows already, in the setting it was presented in,
// is not presented again, whatever the display and its pacing; the frame
// still keeps its turn in the rhythm, or takes a refresh where the presents
// would have paced the program (see frame_pacer.h).
bool WaitTurnIfShown(Presenter &p, const Canvas &canvas, const PixelBuffer &buffer, bool deviceLost)
{
    if (deviceLost || !p.shown.Shows(buffer, SettingOf(canvas, buffer)))
        return false;
    WaitForTurn(p.pacer);
    p.pacer.Skipped(MicrosecondsNow());
    return true;
}

bool DrawPicture(Presenter &p, const Canvas &canvas, const PixelBuffer &buffer, bool *deviceLost)
{
    const PresentSetting setting = SettingOf(canvas, buffer);
    const Raster::Box box = p.shown.Changed(buffer, setting);
    p.shown.Forget(); // until the present is through
    bool made = false;
    if (!EnsureTexture(p, canvas, buffer, deviceLost, &made))
        return false;
    const bool part = CopiesPart(p, setting, made);
    SDL_Rect changed = RectOf(box);
    if (!Upload(p, buffer, part ? &changed : nullptr))
        return false;
    ShowModeSize(canvas);
    const int width = setting.windowWidth;
    const int height = setting.windowHeight;
    if (!p.keepsPixels || width != p.clearedWidth || height != p.clearedHeight) {
        (void)SDL_SetRenderDrawColor(canvas.renderer, 0, 0, 0, 255);
        (void)SDL_RenderClear(canvas.renderer);
        p.clearedWidth = width;
        p.clearedHeight = height;
    }
    if (SDL_RenderCopy(canvas.renderer, p.texture, part ? &changed : nullptr,
                       part ? &changed : nullptr) != 0)
        return false;
    WaitForTurn(p.pacer);
    if (part) {
        // The software renderer draws into the window's surface, which its
        // present puts on the screen whole: only the changed part is put.
        (void)SDL_RenderFlush(canvas.renderer);
        (void)SDL_UpdateWindowSurfaceRects(canvas.window, &changed, 1);
    } else {
        SDL_RenderPresent(canvas.renderer);
    }
    p.pacer.Presented(MicrosecondsNow());
    if (*deviceLost)
        p.shown.Forget();
    else
        p.shown.Presented(buffer, setting);
    return !*deviceLost;
}

} // namespace zorbel::standin
