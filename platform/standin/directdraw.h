// The DirectDraw objects of the stand-in layer: one display object seen
// through IDirectDraw and IDirectDraw4, and flip-chain surfaces.
#pragma once

#include "platform/standin/ddraw.h"
#include "platform/standin/pixel_buffer.h"

#include <memory>

namespace zorbel::standin {

class SurfaceObject;
void DropReference(SurfaceObject *surface);

class DirectDrawObject final : public IDirectDraw, public IDirectDraw4 {
public:
    explicit DirectDrawObject(int serial) : serial_(serial) {}

    HRESULT QueryInterface(REFIID riid, void **object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateSurface(LPDDSURFACEDESC2 desc, IDirectDrawSurface4 **surface,
                          IUnknown *outer) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                           DWORD flags) override;

    int Serial() const { return serial_; }
    // Ends its exclusive mode and detaches its surfaces, at release or reset.
    void Shutdown();

private:
    ~DirectDrawObject() = default;
    friend void DestroyAllDirectDrawObjects();
    HRESULT CreateSurfaceNow(const DDSURFACEDESC2 &desc, IDirectDrawSurface4 **surface);
    void LeaveExclusiveMode();

    ULONG refs_ = 1;
    int serial_;
};

class SurfaceObject final : public IDirectDrawSurface4 {
public:
    // A primary when it holds a back buffer (with one reference to it).
    SurfaceObject(int serial, DirectDrawObject *owner, std::unique_ptr<PixelBuffer> buffer,
                  SurfaceObject *back);

    HRESULT QueryInterface(REFIID riid, void **object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Blt(LPRECT destRect, IDirectDrawSurface4 *source, LPRECT sourceRect, DWORD flags,
                LPDDBLTFX fx) override;
    HRESULT Flip(IDirectDrawSurface4 *target, DWORD flags) override;
    HRESULT GetAttachedSurface(LPDDSCAPS2 caps, IDirectDrawSurface4 **surface) override;
    HRESULT GetDC(HDC *dc) override;
    HRESULT ReleaseDC(HDC dc) override;
    HRESULT Restore() override;

    int Serial() const { return serial_; }
    bool IsPrimary() const { return primary_; }
    bool Lost() const;
    PixelBuffer *Buffer() { return buffer_.get(); }
    SurfaceObject *Attached() { return attached_; }
    void Detach() { owner_ = nullptr; }
    DirectDrawObject *Owner() { return owner_; }

private:
    ~SurfaceObject();
    friend void DestroyAllDirectDrawObjects();
    friend void DropReference(SurfaceObject *surface);

    ULONG refs_ = 1;
    int serial_;
    DirectDrawObject *owner_;
    std::unique_ptr<PixelBuffer> buffer_;
    bool primary_;
    SurfaceObject *attached_ = nullptr; // the back buffer of a primary, holding one reference
    unsigned epoch_ = 0;
    HDC dc_ = nullptr; // while the program holds the surface's device context
};

} // namespace zorbel::standin
