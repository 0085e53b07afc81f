// DirectDrawCreate and the display object: cooperative level, display mode
// and the creation of the flip chain.
#include "platform/standin/directdraw.h"

#include "platform/standin/logged_call.h"
#include "platform/standin/platform_state.h"

#include <algorithm>
#include <utility>

const IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IDirectDraw = {
    0x6C14DB80, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const IID IID_IDirectDraw4 = {
    0x9C59509A, 0x39BD, 0x11D1, {0x8C, 0x4A, 0x00, 0xC0, 0x4F, 0xD9, 0x30, 0xC5}};

namespace zorbel::standin {

namespace {

constexpr DWORD kMaxDimension = 16384;

const char *IidName(REFIID riid)
{
    const std::pair<const IID *, const char *> names[] = {{&IID_IDirectDraw4, "IID_IDirectDraw4"},
                                                          {&IID_IDirectDraw, "IID_IDirectDraw"},
                                                          {&IID_IUnknown, "IID_IUnknown"}};
    for (const auto &[iid, name] : names)
        if (riid == *iid)
            return name;
    return "other";
}

} // namespace

HRESULT DirectDrawObject::QueryInterface(REFIID riid, void **object)
{
    return LoggedHr(
        "QueryInterface",
        [&](LogLine &line) { line.Handle(static_cast<IDirectDraw4 *>(this)).Word(IidName(riid)); },
        [&]() -> HRESULT {
            if (object == nullptr)
                return E_POINTER;
            if (riid == IID_IDirectDraw4)
                *object = static_cast<IDirectDraw4 *>(this);
            else if (riid == IID_IDirectDraw || riid == IID_IUnknown)
                *object = static_cast<IDirectDraw *>(this);
            else
                return E_NOINTERFACE;
            ++refs_;
            return DD_OK;
        },
        HandedOver(object));
}

ULONG DirectDrawObject::AddRef()
{
    return Logged(
        "AddRef", [&](LogLine &line) { line.Handle(static_cast<IDirectDraw4 *>(this)); },
        [&] { return ++refs_; });
}

ULONG DirectDrawObject::Release()
{
    const ULONG left = Logged(
        "Release", [&](LogLine &line) { line.Handle(static_cast<IDirectDraw4 *>(this)); },
        [&] { return --refs_; });
    if (left == 0) {
        Shutdown();
        auto &list = State().directDraws;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        delete this;
    }
    return left;
}

void DirectDrawObject::Shutdown()
{
    LeaveExclusiveMode();
    for (SurfaceObject *surface : State().surfaces)
        if (surface->Owner() == this)
            surface->Detach();
}

// Leaving exclusive mode gives the desktop its mode back and loses the surfaces.
void DirectDrawObject::LeaveExclusiveMode()
{
    DisplayState &display = State().display;
    if (display.exclusiveOwner != this)
        return;
    if (Window *window = FindWindowSlot(display.exclusiveWindow))
        CurrentHost().LeaveFullScreen(*window);
    display = DisplayState{nullptr, nullptr, 0, 0, 0, false, display.epoch};
    NoteSurfacesLost();
}

HRESULT DirectDrawObject::SetCooperativeLevel(HWND window, DWORD flags)
{
    return LoggedHr(
        "SetCooperativeLevel",
        [&](LogLine &line) {
            line.Handle(static_cast<IDirectDraw4 *>(this)).Handle(window).Hex(flags);
        },
        [&]() -> HRESULT {
            DisplayState &display = State().display;
            const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
            const bool normal = (flags & DDSCL_NORMAL) != 0;
            if (exclusive == normal || (exclusive && (flags & DDSCL_FULLSCREEN) == 0))
                return DDERR_INVALIDPARAMS;
            if (normal) {
                LeaveExclusiveMode();
                return DD_OK;
            }
            if (FindWindowSlot(window) == nullptr)
                return DDERR_INVALIDPARAMS;
            if (display.exclusiveOwner != nullptr && display.exclusiveOwner != this)
                return DDERR_EXCLUSIVEMODEALREADYSET;
            display.exclusiveOwner = this;
            display.exclusiveWindow = window;
            return DD_OK;
        });
}

HRESULT DirectDrawObject::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel,
                                         DWORD refreshRate, DWORD flags)
{
    return LoggedHr(
        "SetDisplayMode",
        [&](LogLine &line) {
            line.Handle(static_cast<IDirectDraw4 *>(this))
                .Int(width)
                .Int(height)
                .Int(bitsPerPixel)
                .Int(refreshRate)
                .Hex(flags);
        },
        [&]() -> HRESULT {
            DisplayState &display = State().display;
            if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension)
                return DDERR_INVALIDPARAMS;
            if (display.exclusiveOwner != this)
                return DDERR_NOEXCLUSIVEMODE;
            // The stand-in's surfaces are RGB565 only.
            if (bitsPerPixel != 16)
                return DDERR_INVALIDMODE;
            if (const HRESULT check = CurrentHost().CheckDisplayMode(width, height, bitsPerPixel);
                check != DD_OK)
                return check;
            display.width = width;
            display.height = height;
            display.bitsPerPixel = bitsPerPixel;
            display.modeSet = true;
            NoteSurfacesLost(); // a mode change loses every surface
            if (Window *window = FindWindowSlot(display.exclusiveWindow)) {
                CurrentHost().EnterFullScreen(*window, width, height);
                // The exclusive window is made to cover the screen in its new
                // mode, whatever size it was created with, and it keeps that
                // size when it is minimised and restored.
                NoteWindowRect(
                    *window, RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)}, true);
            }
            return DD_OK;
        });
}

HRESULT DirectDrawObject::CreateSurfaceNow(const DDSURFACEDESC2 &desc, IDirectDrawSurface4 **out)
{
    Platform &platform = State();
    const DisplayState &display = platform.display;
    // A primary surface with one back buffer is the only surface made here.
    const DWORD chainCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    const DWORD chainFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    if (desc.dwSize != sizeof(DDSURFACEDESC2) || (desc.dwFlags & chainFlags) != chainFlags ||
        (desc.ddsCaps.dwCaps & chainCaps) != chainCaps || desc.dwBackBufferCount == 0)
        return DDERR_INVALIDPARAMS;
    if (desc.dwBackBufferCount > 1)
        return DDERR_UNSUPPORTED;
    if (display.exclusiveOwner != this)
        return DDERR_NOEXCLUSIVEMODE;
    // A flip chain is made only in a display mode set here, never on the desktop's.
    if (!display.modeSet)
        return DDERR_UNSUPPORTED;
    for (SurfaceObject *surface : platform.surfaces)
        if (surface->IsPrimary() && surface->Owner() != nullptr)
            return DDERR_PRIMARYSURFACEALREADYEXISTS;
    const auto width = static_cast<int>(display.width);
    const auto height = static_cast<int>(display.height);
    auto front = std::make_unique<PixelBuffer>(width, height);
    auto back = std::make_unique<PixelBuffer>(width, height);
    if (!front->Valid() || !back->Valid())
        return DDERR_OUTOFMEMORY;
    const int primarySerial = ++platform.surfaceSerial;
    auto *backSurface = new SurfaceObject(++platform.surfaceSerial, this, std::move(back), nullptr);
    auto *primary = new SurfaceObject(primarySerial, this, std::move(front), backSurface);
    platform.surfaces.push_back(primary);
    platform.surfaces.push_back(backSurface);
    *out = primary;
    return DD_OK;
}

HRESULT DirectDrawObject::CreateSurface(LPDDSURFACEDESC2 desc, IDirectDrawSurface4 **surface,
                                        IUnknown *outer)
{
    return LoggedHr(
        "CreateSurface",
        [&](LogLine &line) {
            line.Handle(static_cast<IDirectDraw4 *>(this));
            if (desc != nullptr)
                line.Int(desc->dwSize)
                    .Hex(desc->dwFlags)
                    .Int(desc->dwBackBufferCount)
                    .Hex(desc->ddsCaps.dwCaps);
            else
                line.Word("null");
            line.Handle(outer);
        },
        [&] {
            return desc == nullptr || surface == nullptr || outer != nullptr
                       ? DDERR_INVALIDPARAMS
                       : CreateSurfaceNow(*desc, surface);
        },
        HandedOver(surface));
}

void DestroyAllDirectDrawObjects()
{
    Platform &platform = State();
    for (SurfaceObject *surface : platform.surfaces)
        delete surface;
    for (DirectDrawObject *directDraw : platform.directDraws)
        delete directDraw;
    platform.surfaces.clear();
    platform.directDraws.clear();
}

} // namespace zorbel::standin

using namespace zorbel::standin;

HRESULT WINAPI DirectDrawCreate(GUID *driver, LPDIRECTDRAW *directDraw, IUnknown *outer)
{
    return LoggedHr(
        "DirectDrawCreate",
        [&](LogLine &line) { line.Word(driver != nullptr ? "guid" : "null").Handle(outer); },
        [&]() -> HRESULT {
            if (directDraw == nullptr || outer != nullptr)
                return DDERR_INVALIDPARAMS;
            Platform &platform = State();
            auto *object = new DirectDrawObject(++platform.directDrawSerial);
            platform.directDraws.push_back(object);
            *directDraw = object;
            return DD_OK;
        },
        HandedOver(directDraw));
}
