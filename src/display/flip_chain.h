// Opening DirectDraw and a flip chain: the steps the program, the tracer and
// the tests share. Each returns DD_OK or the result of the call that failed,
// and then names that call in `*failed`.
#pragma once

#include "platform/win32.h"

// The primary surface with one back buffer, and how to find that buffer.
DDSURFACEDESC2 FlipChainDescription();
DDSCAPS2 BackBufferCaps();

// The fourth DirectDraw interface, reached through the first, which is not
// kept.
HRESULT OpenDirectDraw4(IDirectDraw4 **display, const char **failed);

struct ScreenMode {
    DWORD width;
    DWORD height;
};

// Exclusive full-screen mode for the window, in a 16-bit mode of the wanted
// size or, when the display refuses that and there is a fallback, of the
// fallback size; *taken is the mode last asked for.
HRESULT TakeScreen(IDirectDraw4 *display, HWND window, ScreenMode wanted,
                   const ScreenMode *fallback, ScreenMode *taken, const char **failed);

// The same in one mode only.
HRESULT TakeScreen(IDirectDraw4 *display, HWND window, DWORD width, DWORD height,
                   const char **failed);

// The flipping pair, once the screen is taken.
HRESULT CreateFlipChain(IDirectDraw4 *display, IDirectDrawSurface4 **primary,
                        IDirectDrawSurface4 **back, const char **failed);
