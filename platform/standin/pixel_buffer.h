// One RGB565 pixel buffer and the rasterizer that draws into it.
#pragma once

#include "platform/standin/paint_record.h"
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
    const std::uint16_t *Row(int y) const
    {
        return reinterpret_cast<const std::uint16_t *>(bytes_ + y * pitch_);
    }
    const unsigned char *Bytes() const { return bytes_; }

    // The rasterizer on these pixels, made with the buffer: drawing a frame
    // allocates nothing. Null when the buffer could not be made.
    Raster *Drawing() { return raster_.get(); }

    // Every pixel in one colour. Pixels nothing was drawn on since they were
    // last filled with that colour hold it still: only the rectangle drawn
    // on is filled again.
    void Fill(std::uint16_t pixel);

    // What the pixels were made of; written by Fill and by the rasterizer,
    // the only two that write them.
    const PaintRecord &Record() const { return record_; }

private:
    int width_ = 0;
    int height_ = 0;
    int pitch_ = 0;
    unsigned char *bytes_ = nullptr;
    PaintRecord record_;
    std::unique_ptr<Raster> raster_;
    int filledWith_ = -1; // the last fill's pixel value; -1 for none
};

} // namespace zorbel::standin
