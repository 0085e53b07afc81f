// Flip-chain surfaces: colour fill, flip and presentation, device contexts,
// loss and restore, reference counts.
#include "platform/standin/logged_call.h"
#include "platform/standin/directdraw.h"
#include "platform/standin/gdi.h"

#include <algorithm>

namespace zorbel::standin {

SurfaceObject::SurfaceObject(int serial, DirectDrawObject *owner,
                             std::unique_ptr<PixelBuffer> buffer, SurfaceObject *back)
    : serial_(serial), owner_(owner), buffer_(std::move(buffer)), primary_(back != nullptr),
      attached_(back), epoch_(State().display.epoch)
{
}

SurfaceObject::~SurfaceObject()
{
    if (dc_ != nullptr)
        CloseDc(dc_);
}

bool SurfaceObject::Lost() const { return owner_ == nullptr || epoch_ != State().display.epoch; }

// Nothing asks a surface for another interface.
HRESULT SurfaceObject::QueryInterface(REFIID, void **object)
{
    return LoggedHr(
        "QueryInterface", [&](LogLine &line) { line.Handle(this); },
        [&] {
            if (object != nullptr)
                *object = nullptr;
            return E_NOINTERFACE;
        });
}

ULONG SurfaceObject::AddRef()
{
    return Logged(
        "AddRef", [&](LogLine &line) { line.Handle(this); }, [&] { return ++refs_; });
}

ULONG SurfaceObject::Release()
{
    const ULONG left = Logged(
        "Release", [&](LogLine &line) { line.Handle(this); }, [&] { return refs_ - 1; });
    DropReference(this);
    return left;
}

// Releasing the primary releases the back buffer it holds; a surface that
// goes is forgotten by any chain that still points at it.
void DropReference(SurfaceObject *surface)
{
    if (--surface->refs_ != 0)
        return;
    Platform &platform = State();
    auto &list = platform.surfaces;
    list.erase(std::remove(list.begin(), list.end(), surface), list.end());
    for (SurfaceObject *other : list)
        if (other->attached_ == surface)
            other->attached_ = nullptr;
    SurfaceObject *attached = surface->attached_;
    delete surface;
    if (attached != nullptr)
        DropReference(attached);
}

HRESULT SurfaceObject::Blt(LPRECT destRect, IDirectDrawSurface4 *source, LPRECT sourceRect,
                           DWORD flags, LPDDBLTFX fx)
{
    return LoggedHr(
        "Blt",
        [&](LogLine &line) {
            line.Handle(this).Rect(destRect).Handle(source).Rect(sourceRect).Hex(flags);
            if (fx != nullptr)
                line.Hex(fx->dwFillColor);
            else
                line.Word("null");
        },
        [&]() -> HRESULT {
            if ((flags & DDBLT_COLORFILL) == 0 || source != nullptr || destRect != nullptr)
                return DDERR_UNSUPPORTED; // the stand-in only fills whole surfaces
            if (fx == nullptr || fx->dwSize != sizeof(DDBLTFX))
                return DDERR_INVALIDPARAMS;
            if (Lost())
                return DDERR_SURFACELOST;
            if (dc_ != nullptr)
                return DDERR_SURFACEBUSY;
            // The fill colour is a pixel value of the surface's format.
            buffer_->Fill(static_cast<std::uint16_t>(fx->dwFillColor & 0xFFFF));
            return DD_OK;
        });
}

HRESULT SurfaceObject::Flip(IDirectDrawSurface4 *target, DWORD flags)
{
    CurrentHost().Flipping();
    return LoggedHr(
        "Flip", [&](LogLine &line) { line.Handle(this).Handle(target).Hex(flags); },
        [&]() -> HRESULT {
            if (!primary_ || attached_ == nullptr)
                return DDERR_NOTFLIPPABLE;
            if (target != nullptr && target != attached_)
                return DDERR_INVALIDPARAMS;
            if (Lost() || attached_->Lost())
                return DDERR_SURFACELOST;
            if (dc_ != nullptr || attached_->dc_ != nullptr)
                return DDERR_SURFACEBUSY;
            std::swap(buffer_, attached_->buffer_);
            Window *window = FindWindowSlot(State().display.exclusiveWindow);
            if (window != nullptr && !CurrentHost().Present(*window, *buffer_)) {
                NoteSurfacesLost();
                return DDERR_SURFACELOST;
            }
            return DD_OK;
        });
}

HRESULT SurfaceObject::GetAttachedSurface(LPDDSCAPS2 caps, IDirectDrawSurface4 **surface)
{
    return LoggedHr(
        "GetAttachedSurface",
        [&](LogLine &line) {
            line.Handle(this);
            if (caps != nullptr)
                line.Hex(caps->dwCaps);
            else
                line.Word("null");
        },
        [&]() -> HRESULT {
            if (caps == nullptr || surface == nullptr)
                return DDERR_INVALIDPARAMS;
            if (attached_ == nullptr ||
                (caps->dwCaps & ~(DDSCAPS_BACKBUFFER | DDSCAPS_FLIP)) != 0 || caps->dwCaps == 0)
                return DDERR_NOTFOUND;
            ++attached_->refs_;
            *surface = attached_;
            return DD_OK;
        },
        HandedOver(surface));
}

HRESULT SurfaceObject::GetDC(HDC *dc)
{
    return LoggedHr(
        "GetDC", [&](LogLine &line) { line.Handle(this); },
        [&]() -> HRESULT {
            if (dc == nullptr)
                return DDERR_INVALIDPARAMS;
            if (Lost())
                return DDERR_SURFACELOST;
            if (dc_ != nullptr)
                return DDERR_DCALREADYCREATED;
            dc_ = OpenDc(*this);
            if (dc_ == nullptr)
                return DDERR_OUTOFMEMORY; // every device context is in use
            *dc = dc_;
            return DD_OK;
        },
        HandedOver(dc));
}

HRESULT SurfaceObject::ReleaseDC(HDC dc)
{
    return LoggedHr(
        "ReleaseDC", [&](LogLine &line) { line.Handle(this).Handle(dc); },
        [&]() -> HRESULT {
            if (dc == nullptr || dc != dc_)
                return DDERR_NODC;
            CloseDc(dc_);
            dc_ = nullptr;
            return DD_OK;
        });
}

HRESULT SurfaceObject::Restore()
{
    return LoggedHr(
        "Restore", [&](LogLine &line) { line.Handle(this); },
        [&]() -> HRESULT {
            if (owner_ == nullptr)
                return DDERR_GENERIC;
            if (!Lost())
                return DD_OK;
            // Nothing can be restored while the program cannot show its display mode.
            const DisplayState &display = State().display;
            const Window *window = FindWindowSlot(display.exclusiveWindow);
            if (window != nullptr && window->iconic)
                return DDERR_WRONGMODE;
            epoch_ = display.epoch;
            if (attached_ != nullptr) // restoring a chain's primary restores the chain
                attached_->epoch_ = epoch_;
            return DD_OK;
        });
}

} // namespace zorbel::standin
