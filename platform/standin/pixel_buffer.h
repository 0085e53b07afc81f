// One RGB565 pixel buffer and the rasterizer that draws into it.
#pragma once

#include "platform/standin/raster.h"

#include <cstdint>
#include <memory>

namespace zorbel::standin {

class PixelBuffer {
public:
    PixelBuffer(int width, int height);
    ~PixelBuffer();
    PixelBuffer(const PixelBuffer &) = delete;
    PixelBuffer &operator=(const PixelBuffer &) = delete;

    bool Valid() const { return raster_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Pitch() const { return pitch_; } // bytes per row
    std::uint16_t *Row(int y) { return reinterpret_cast<std::uint16_t *>(bytes_ + y * pitch_); }
    const std::uint16_t *Row(int y) const
    {
        return reinterpret_cast<const std::uint16_t *>(bytes_ + y * pitch_);
    }
    const unsigned char *Bytes() const { return bytes_; }

    // The rasterizer on these pixels, made with the buffer: drawing a frame
    // allocates nothing. Null when the buffer could not be made.
    Raster *Drawing() { return raster_.get(); }

    // Every pixel in one colour.
    void Fill(std::uint16_t pixel);

private:
    int width_ = 0;
    int height_ = 0;
    int pitch_ = 0;
    unsigned char *bytes_ = nullptr;
    std::unique_ptr<Raster> raster_;
};

} // namespace zorbel::standin
