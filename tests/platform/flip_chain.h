// A window with an exclusive full-screen display and a flip chain, set up
// the way the program does, on the headless host.
#pragma once

#include "display/flip_chain.h"
#include "recording_window.h"

namespace zorbel::test {

struct FlipChain {
    HWND window = nullptr;
    IDirectDraw4 *display = nullptr;
    IDirectDrawSurface4 *primary = nullptr;
    IDirectDrawSurface4 *back = nullptr;
};

// Resets the host and opens the chain as the program does; false (with the
// chain as far as it got) on any failure.
inline bool OpenFlipChain(FlipChain *chain, DWORD width = 1024, DWORD height = 768)
{
    testing::Reset();
    const char *call = nullptr;
    chain->window = CreateTestWindow();
    return chain->window != nullptr && OpenDirectDraw4(&chain->display, &call) == DD_OK &&
           TakeScreen(chain->display, chain->window, width, height, &call) == DD_OK &&
           CreateFlipChain(chain->display, &chain->primary, &chain->back, &call) == DD_OK;
}

inline HRESULT Clear(IDirectDrawSurface4 *surface, DWORD colour = 0)
{
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = colour;
    return surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

} // namespace zorbel::test
