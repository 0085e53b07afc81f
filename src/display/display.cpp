#include "display/display.h"

#include <cstdarg>
#include <cstdio>

#include "app/app_state.h"
#include "display/flip_chain.h"
#include "scene/drawing_tools.h"

const char kAppTitle[] = "Zorbel Demo";

namespace {

// Taken when the display refuses the configured mode.
constexpr ScreenMode kFallbackMode{800, 600};

template <class Interface> void ReleaseInto(Interface *&field)
{
    if (field != nullptr) {
        (void)field->Release();
        field = nullptr;
    }
}

void ReleaseFlipChain()
{
    ReleaseInto(App.BackBuffer);
    ReleaseInto(App.Primary);
}

// In full-screen mode the client area is the screen.
void SetClientGeometryFromDisplay()
{
    App.ClientRect = RECT{0, 0, App.DisplayWidth, App.DisplayHeight};
    App.ClientTopLeft = POINT{App.ClientRect.left, App.ClientRect.top};
    App.ClientBottomRight = POINT{App.ClientRect.right, App.ClientRect.bottom};
}

} // namespace

int OpenDisplay(HWND window)
{
    const char *failed = "";
    const HRESULT result = OpenDirectDraw4(&App.DirectDraw, &failed);
    if (result != DD_OK) {
        (void)ReportFatal(window, result, "%s FAILED", failed);
        return 0;
    }
    return CreateSurfaces(window) == DD_OK ? 1 : 0;
}

HRESULT CreateSurfaces(HWND window)
{
    const char *failed = "";
    const ScreenMode configured{static_cast<DWORD>(App.DisplayWidth),
                                static_cast<DWORD>(App.DisplayHeight)};
    ScreenMode taken{};
    HRESULT result =
        TakeScreen(App.DirectDraw, window, configured, &kFallbackMode, &taken, &failed);
    App.DisplayWidth = static_cast<int>(taken.width);
    App.DisplayHeight = static_cast<int>(taken.height);
    if (result != DD_OK)
        return ReportFatal(window, result, "%s FAILED", failed);
    SetClientGeometryFromDisplay();

    result = CreateFlipChain(App.DirectDraw, &App.Primary, &App.BackBuffer, &failed);
    if (result != DD_OK)
        return ReportFatal(window, result, "%s FAILED", failed);

    ClearSurface(App.Primary);
    ClearSurface(App.BackBuffer);
    return DD_OK;
}

void ClearSurface(IDirectDrawSurface4 *surface)
{
    if (surface == nullptr)
        return;
    DDBLTFX fill{};
    fill.dwSize = sizeof fill;
    fill.dwFillColor = 0;
    (void)surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
}

void Present()
{
    if (App.Primary == nullptr)
        return;
    for (;;) {
        const HRESULT result = App.Primary->Flip(nullptr, 0);
        if (result == DDERR_WASSTILLDRAWING)
            continue; // the previous flip is still pending: ask again at once
        if (result == DDERR_SURFACELOST)
            (void)RestorePrimary(); // this frame is lost; the next one redraws everything
        return;
    }
}

HRESULT RestorePrimary() { return App.Primary->Restore(); }

int ReleaseSurfaces(HWND window)
{
    DeleteDrawingTools();
    if (App.DirectDraw != nullptr) {
        (void)App.DirectDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
        ReleaseFlipChain();
    }
    return 0;
}

void CloseDisplay()
{
    if (App.DirectDraw == nullptr)
        return;
    (void)App.DirectDraw->SetCooperativeLevel(App.MainWindow, DDSCL_NORMAL);
    ReleaseFlipChain();
    ReleaseInto(App.DirectDraw);
}

HRESULT ReportFatal(HWND window, HRESULT code, const char *format, ...)
{
    char text[128];
    va_list args;
    va_start(args, format);
    (void)std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    // Leave exclusive mode first, so that the message can be seen.
    (void)ReleaseSurfaces(window);
    (void)MessageBoxA(window, text, kAppTitle, MB_OK);
    (void)DestroyWindow(window);
    return code;
}
