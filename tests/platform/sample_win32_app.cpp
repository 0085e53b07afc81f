// A small Win32 program written only against platform/win32.h: a full-screen
// window, a DirectDraw flip chain, GDI drawing and a message loop. Escape or
// a close request ends it; each left click leaves a ring where it happened,
// and a white disc follows the cursor while the button is held.
//
// It prints "clicks=<n> keys=<n> mode=<w>x<h> last=<x>,<y>" when it ends, and returns 0,
// or 1 when its display could not be set up (after a message box).
#include "platform/win32.h"

#include <cstdio>

namespace {

struct Sample {
    HWND window = nullptr;
    IDirectDraw4 *display = nullptr;
    IDirectDrawSurface4 *primary = nullptr;
    IDirectDrawSurface4 *back = nullptr;
    DWORD width = 1024;
    DWORD height = 768;
    int clicks = 0;
    int keys = 0;
    bool held = false;
    POINT lastClick{-100, -100};
};

Sample g_sample;

LRESULT CALLBACK SampleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        ++g_sample.clicks;
        g_sample.lastClick =
            POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        g_sample.held = true;
        return 0;
    case WM_LBUTTONUP:
        g_sample.held = false;
        return 0;
    case WM_KEYDOWN:
        ++g_sample.keys;
        if (wParam == VK_ESCAPE)
            PostQuitMessage(0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int Fail(const char *what)
{
    (void)MessageBoxA(g_sample.window, what, "Sample", MB_OK);
    return 1;
}

int OpenDisplay()
{
    IDirectDraw *first = nullptr;
    if (DirectDrawCreate(nullptr, &first, nullptr) != DD_OK)
        return Fail("DirectDrawCreate FAILED");
    const HRESULT query =
        first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void **>(&g_sample.display));
    (void)first->Release();
    if (query != DD_OK)
        return Fail("QueryInterface FAILED");
    if (g_sample.display->SetCooperativeLevel(g_sample.window,
                                              DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK)
        return Fail("SetCooperativeLevel FAILED");
    if (g_sample.display->SetDisplayMode(g_sample.width, g_sample.height, 16, 0, 0) != DD_OK) {
        g_sample.width = 800;
        g_sample.height = 600;
        if (g_sample.display->SetDisplayMode(800, 600, 16, 0, 0) != DD_OK)
            return Fail("SetDisplayMode FAILED");
    }
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    if (g_sample.display->CreateSurface(&desc, &g_sample.primary, nullptr) != DD_OK)
        return Fail("CreateSurface FAILED");
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (g_sample.primary->GetAttachedSurface(&caps, &g_sample.back) != DD_OK)
        return Fail("GetAttachedSurface FAILED");
    return 0;
}

void DrawFrame(HBRUSH red, HPEN yellow)
{
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0x0010; // dark blue
    (void)g_sample.back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    HDC dc = nullptr;
    if (g_sample.back->GetDC(&dc) != DD_OK)
        return;
    const HPEN green = CreatePen(PS_SOLID, 9, RGB(0, 255, 0));
    const int cx = static_cast<int>(g_sample.width / 2);
    const int cy = static_cast<int>(g_sample.height / 2);
    const HGDIOBJ oldBrush = SelectObject(dc, red);
    const HGDIOBJ oldPen = SelectObject(dc, green);
    const POINT band[3] = {{cx - 200, cy}, {cx, cy + 150}, {cx + 200, cy}};
    (void)Polyline(dc, band, 3);
    (void)SelectObject(dc, yellow);
    (void)Ellipse(dc, cx - 50, cy - 50, cx + 50, cy + 50);
    (void)SelectObject(dc, GetStockObject(NULL_BRUSH));
    const POINT at = g_sample.lastClick;
    (void)Ellipse(dc, at.x - 20, at.y - 20, at.x + 21, at.y + 21);
    POINT cursor{};
    if (g_sample.held && GetCursorPos(&cursor) && ScreenToClient(g_sample.window, &cursor)) {
        // While the button is held, a white disc follows the cursor.
        (void)SelectObject(dc, GetStockObject(WHITE_BRUSH));
        (void)SelectObject(dc, GetStockObject(WHITE_PEN));
        (void)Ellipse(dc, cursor.x - 10, cursor.y - 10, cursor.x + 11, cursor.y + 11);
    }
    (void)SelectObject(dc, oldBrush);
    (void)SelectObject(dc, oldPen);
    (void)g_sample.back->ReleaseDC(dc);
    (void)DeleteObject(green);
}

void Present()
{
    for (;;) {
        const HRESULT result = g_sample.primary->Flip(nullptr, 0);
        if (result == DDERR_SURFACELOST)
            (void)g_sample.primary->Restore();
        if (result != DDERR_WASSTILLDRAWING)
            return;
    }
}

void Release()
{
    if (g_sample.back != nullptr)
        (void)g_sample.back->Release();
    if (g_sample.primary != nullptr)
        (void)g_sample.primary->Release();
    if (g_sample.display != nullptr) {
        (void)g_sample.display->SetCooperativeLevel(g_sample.window, DDSCL_NORMAL);
        (void)g_sample.display->Release();
    }
    g_sample.back = nullptr;
    g_sample.primary = nullptr;
    g_sample.display = nullptr;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    g_sample = Sample{};
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SampleProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "Sample Window";
    if (RegisterClassExA(&windowClass) == 0)
        return 2;
    g_sample.window = CreateWindowExA(
        WS_EX_TOPMOST, "Sample Window", "Sample", WS_POPUP, 0, 0, static_cast<int>(g_sample.width),
        static_cast<int>(g_sample.height), nullptr, nullptr, instance, nullptr);
    if (g_sample.window == nullptr)
        return 2;
    if (OpenDisplay() != 0) {
        Release();
        (void)DestroyWindow(g_sample.window);
        return 1;
    }
    (void)ShowWindow(g_sample.window, show);
    (void)UpdateWindow(g_sample.window);
    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const HPEN yellow = CreatePen(PS_SOLID, 1, RGB(255, 255, 0));
    bool done = false;
    while (!done) {
        DrawFrame(red, yellow);
        Present();
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
                done = true;
                continue;
            }
            (void)TranslateMessage(&msg);
            (void)DispatchMessageA(&msg);
        }
    }
    (void)DeleteObject(red);
    (void)DeleteObject(yellow);
    Release();
    std::printf("clicks=%d keys=%d mode=%lux%lu last=%ld,%ld\n", g_sample.clicks, g_sample.keys,
                static_cast<unsigned long>(g_sample.width),
                static_cast<unsigned long>(g_sample.height),
                static_cast<long>(g_sample.lastClick.x), static_cast<long>(g_sample.lastClick.y));
    std::fflush(stdout);
    return 0;
}
