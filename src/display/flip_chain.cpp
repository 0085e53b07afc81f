#include "display/flip_chain.h"

namespace {

HRESULT Step(HRESULT result, const char *call, const char **failed)
{
    if (result != DD_OK)
        *failed = call;
    return result;
}

} // namespace

DDSURFACEDESC2 FlipChainDescription()
{
    DDSURFACEDESC2 chain{};
    chain.dwSize = sizeof chain;
    chain.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    chain.dwBackBufferCount = 1;
    chain.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    return chain;
}

DDSCAPS2 BackBufferCaps()
{
    DDSCAPS2 back{};
    back.dwCaps = DDSCAPS_BACKBUFFER;
    return back;
}

HRESULT OpenDirectDraw4(IDirectDraw4 **display, const char **failed)
{
    *display = nullptr;
    IDirectDraw *first = nullptr;
    HRESULT result = Step(DirectDrawCreate(nullptr, &first, nullptr), "DirectDrawCreate", failed);
    if (result != DD_OK)
        return result;
    result = Step(first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void **>(display)),
                  "QueryInterface", failed);
    (void)first->Release();
    if (result != DD_OK)
        *display = nullptr;
    return result;
}

HRESULT TakeScreen(IDirectDraw4 *display, HWND window, ScreenMode wanted,
                   const ScreenMode *fallback, ScreenMode *taken, const char **failed)
{
    *taken = wanted;
    HRESULT result = Step(display->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
                          "SetCooperativeLevel", failed);
    if (result != DD_OK)
        return result;
    result = display->SetDisplayMode(wanted.width, wanted.height, 16, 0, 0);
    if (result != DD_OK && fallback != nullptr) {
        *taken = *fallback;
        result = display->SetDisplayMode(fallback->width, fallback->height, 16, 0, 0);
    }
    return Step(result, "SetDisplayMode", failed);
}

HRESULT TakeScreen(IDirectDraw4 *display, HWND window, DWORD width, DWORD height,
                   const char **failed)
{
    ScreenMode taken{};
    return TakeScreen(display, window, ScreenMode{width, height}, nullptr, &taken, failed);
}

HRESULT CreateFlipChain(IDirectDraw4 *display, IDirectDrawSurface4 **primary,
                        IDirectDrawSurface4 **back, const char **failed)
{
    DDSURFACEDESC2 chain = FlipChainDescription();
    const HRESULT result =
        Step(display->CreateSurface(&chain, primary, nullptr), "CreateSurface", failed);
    if (result != DD_OK)
        return result;
    DDSCAPS2 caps = BackBufferCaps();
    return Step((*primary)->GetAttachedSurface(&caps, back), "GetAttachedSurface", failed);
}
