// One RGB565 pixel buffer with the cairo objects that draw into it.
#pragma once

#include <cairo.h>

#include <cstdint>

namespace zorbel::standin {

class PixelBuffer {
public:
    PixelBuffer(int width, int height);
    ~PixelBuffer();
    PixelBuffer(const PixelBuffer &) = delete;
    PixelBuffer &operator=(const PixelBuffer &) = delete;

    bool Valid() const { return context_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Pitch() const { return pitch_; } // bytes per row
    std::uint16_t *Row(int y) { return reinterpret_cast<std::uint16_t *>(bytes_ + y * pitch_); }
    const std::uint16_t *Row(int y) const
    {
        return reinterpret_cast<const std::uint16_t *>(bytes_ + y * pitch_);
    }
    const unsigned char *Bytes() const { return bytes_; }

    // Direct writes must be bracketed by these, so cairo never works on stale data.
    void BeginDirectAccess();
    void EndDirectAccess();

    // The persistent drawing context: created once, so drawing a frame
    // creates no cairo objects. Recreated only if cairo put it in an error state.
    cairo_t *Context();

    void Fill(std::uint16_t pixel, int left, int top, int right, int bottom);

private:
    void CreateContext();

    int width_ = 0;
    int height_ = 0;
    int pitch_ = 0;
    unsigned char *bytes_ = nullptr;
    cairo_surface_t *surface_ = nullptr;
    cairo_t *context_ = nullptr;
};

} // namespace zorbel::standin
