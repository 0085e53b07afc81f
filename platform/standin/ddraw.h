// DirectDraw subset of the stand-in layer: the interfaces, structures and
// constants that display set-up, presentation and drawing use.
#pragma once

#include "platform/standin/windef.h"

#include <cstring>

using ULONG = std::uint32_t;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using REFIID = const IID &;

inline bool operator==(const GUID &a, const GUID &b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

extern const IID IID_IUnknown;
extern const IID IID_IDirectDraw;
extern const IID IID_IDirectDraw4;

#define ZORBEL_HRESULT(value) (static_cast<HRESULT>(static_cast<std::int32_t>(value##u)))
#define E_FAIL ZORBEL_HRESULT(0x80004005)
#define E_NOINTERFACE ZORBEL_HRESULT(0x80004002)
#define E_OUTOFMEMORY ZORBEL_HRESULT(0x8007000E)
#define E_NOTIMPL ZORBEL_HRESULT(0x80004001)
#define E_POINTER ZORBEL_HRESULT(0x80004003)
#define DD_OK 0
#define DDERR_GENERIC E_FAIL
#define DDERR_INVALIDPARAMS ZORBEL_HRESULT(0x80070057)
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_INVALIDMODE ZORBEL_HRESULT(0x88760078)
#define DDERR_NOEXCLUSIVEMODE ZORBEL_HRESULT(0x887600E1)
#define DDERR_NOTFOUND ZORBEL_HRESULT(0x887600FF)
#define DDERR_SURFACEBUSY ZORBEL_HRESULT(0x887601AE)
#define DDERR_SURFACELOST ZORBEL_HRESULT(0x887601C2)
#define DDERR_NOTFLIPPABLE ZORBEL_HRESULT(0x88760246)
#define DDERR_EXCLUSIVEMODEALREADYSET ZORBEL_HRESULT(0x88760245)
#define DDERR_PRIMARYSURFACEALREADYEXISTS ZORBEL_HRESULT(0x88760234)
#define DDERR_WASSTILLDRAWING ZORBEL_HRESULT(0x8876021C)
#define DDERR_UNSUPPORTEDMODE ZORBEL_HRESULT(0x8876024E)
#define DDERR_WRONGMODE ZORBEL_HRESULT(0x8876024B)
#define DDERR_NODC ZORBEL_HRESULT(0x8876024A)
#define DDERR_DCALREADYCREATED ZORBEL_HRESULT(0x8876026C)

// Cooperative levels.
#define DDSCL_FULLSCREEN 0x00000001u
#define DDSCL_NORMAL 0x00000008u
#define DDSCL_EXCLUSIVE 0x00000010u

// Surface description flags and capabilities.
#define DDSD_CAPS 0x00000001u
#define DDSD_BACKBUFFERCOUNT 0x00000020u
#define DDSCAPS_BACKBUFFER 0x00000004u
#define DDSCAPS_COMPLEX 0x00000008u
#define DDSCAPS_FLIP 0x00000010u
#define DDSCAPS_PRIMARYSURFACE 0x00000200u

// Blit flags.
#define DDBLT_COLORFILL 0x00000400u
#define DDBLT_WAIT 0x01000000u

struct DDSCAPS2 {
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCaps3;
    DWORD dwCaps4;
};
using LPDDSCAPS2 = DDSCAPS2 *;

// Laid out as on 32-bit Windows (124 bytes), so that the size the program
// puts into dwSize is the size DirectDraw expects there. Only the fields
// that describe a flip chain are named.
struct DDSURFACEDESC2 {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    DWORD unnamed[20]; // refresh rate to pixel format
    DDSCAPS2 ddsCaps;
    DWORD dwTextureStage;
};
using LPDDSURFACEDESC2 = DDSURFACEDESC2 *;
static_assert(sizeof(DDSURFACEDESC2) == 124, "DDSURFACEDESC2 has its Windows size");

// Laid out as on 32-bit Windows (100 bytes); only the fill colour is used.
struct DDBLTFX {
    DWORD dwSize;
    DWORD unnamed[19]; // effects, raster operations, depth and alpha values
    DWORD dwFillColor;
    DWORD colourKeys[4];
};
using LPDDBLTFX = DDBLTFX *;
static_assert(sizeof(DDBLTFX) == 100, "DDBLTFX has its Windows size");

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void **object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IDirectDrawSurface4 : IUnknown {
    virtual HRESULT Blt(LPRECT destRect, IDirectDrawSurface4 *source, LPRECT sourceRect,
                        DWORD flags, LPDDBLTFX fx) = 0;
    virtual HRESULT Flip(IDirectDrawSurface4 *target, DWORD flags) = 0;
    virtual HRESULT GetAttachedSurface(LPDDSCAPS2 caps, IDirectDrawSurface4 **surface) = 0;
    virtual HRESULT GetDC(HDC *dc) = 0;
    virtual HRESULT ReleaseDC(HDC dc) = 0;
    virtual HRESULT Restore() = 0;

protected:
    ~IDirectDrawSurface4() = default;
};

struct IDirectDraw4 : IUnknown {
    virtual HRESULT CreateSurface(LPDDSURFACEDESC2 desc, IDirectDrawSurface4 **surface,
                                  IUnknown *outer) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                                   DWORD flags) = 0;

protected:
    ~IDirectDraw4() = default;
};

// The first DirectDraw interface: only good for asking for IDirectDraw4.
struct IDirectDraw : IUnknown {
protected:
    ~IDirectDraw() = default;
};
using LPDIRECTDRAW = IDirectDraw *;

HRESULT WINAPI DirectDrawCreate(GUID *driver, LPDIRECTDRAW *directDraw, IUnknown *outer);
