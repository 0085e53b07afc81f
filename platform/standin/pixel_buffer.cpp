// RGB565 memory shared by DirectDraw (fills, presentation) and GDI (lines,
// polylines, ellipses).
#include "platform/standin/pixel_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zorbel::standin {

namespace {

// The largest side a surface may have.
constexpr int kMaxSide = 32767;

} // namespace

PixelBuffer::PixelBuffer(int width, int height)
{
    // Rows start on 4-byte boundaries, as a DirectDraw surface's do.
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return;
    const int pitch = (width * 2 + 3) & ~3;
    const std::size_t size = static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height);
    bytes_ = static_cast<unsigned char *>(std::calloc(size, 1));
    if (bytes_ == nullptr)
        return;
    width_ = width;
    height_ = height;
    pitch_ = pitch;
    raster_.reset(new (std::nothrow) Raster(reinterpret_cast<std::uint16_t *>(bytes_), width,
                                            height, pitch / 2, &record_));
}

PixelBuffer::~PixelBuffer() { std::free(bytes_); }

void PixelBuffer::Fill(std::uint16_t pixel)
{
    Raster::Box box{0, 0, width_, height_};
    if (raster_ != nullptr) {
        if (filledWith_ == pixel)
            box = raster_->Touched();
        raster_->Untouch();
    }
    filledWith_ = pixel;
    record_.Filled(pixel);
    const bool bytewise = (pixel & 0xFF) == (pixel >> 8);
    const auto count = static_cast<std::size_t>(box.right > box.left ? box.right - box.left : 0);
    for (long y = box.top; y < box.bottom && count > 0; ++y) {
        auto *start = reinterpret_cast<std::uint16_t *>(bytes_ + y * pitch_) + box.left;
        if (bytewise)
            std::memset(start, pixel & 0xFF, count * 2);
        else
            std::fill(start, start + count, pixel);
    }
}

} // namespace zorbel::standin
