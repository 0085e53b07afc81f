// A window with an exclusive full-screen display and a flip chain, set up
// the way the program does, on the headless host.
#pragma once

#include "recording_window.h"

namespace zorbel::test {

struct FlipChain {
    HWND window = nullptr;
    IDirectDraw *first = nullptr;
    IDirectDraw4 *display = nullptr;
    IDirectDrawSurface4 *primary = nullptr;
    IDirectDrawSurface4 *back = nullptr;
};

inline DDSURFACEDESC2 FlipChainDescription()
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    return desc;
}

// Resets the host; false (with the chain as far as it got) on any failure.
inline bool OpenFlipChain(FlipChain *chain, DWORD width = 1024, DWORD height = 768)
{
    testing::Reset();
    chain->window = CreateTestWindow();
    if (chain->window == nullptr || DirectDrawCreate(nullptr, &chain->first, nullptr) != DD_OK ||
        chain->first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void **>(&chain->display)) != DD_OK ||
        chain->display->SetCooperativeLevel(chain->window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK ||
        chain->display->SetDisplayMode(width, height, 16, 0, 0) != DD_OK)
        return false;
    DDSURFACEDESC2 desc = FlipChainDescription();
    if (chain->display->CreateSurface(&desc, &chain->primary, nullptr) != DD_OK)
        return false;
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    return chain->primary->GetAttachedSurface(&caps, &chain->back) == DD_OK;
}

inline HRESULT Clear(IDirectDrawSurface4 *surface, DWORD colour = 0)
{
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = colour;
    return surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

} // namespace zorbel::test
