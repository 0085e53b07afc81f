// RGB565 memory shared by DirectDraw (fills, presentation) and GDI (cairo).
#include "platform/standin/pixel_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zorbel::standin {

PixelBuffer::PixelBuffer(int width, int height)
{
    const int pitch = cairo_format_stride_for_width(CAIRO_FORMAT_RGB16_565, width);
    if (width <= 0 || height <= 0 || pitch <= 0)
        return;
    const std::size_t size = static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height);
    bytes_ = static_cast<unsigned char *>(std::calloc(size, 1));
    if (bytes_ == nullptr)
        return;
    width_ = width;
    height_ = height;
    pitch_ = pitch;
    surface_ = cairo_image_surface_create_for_data(bytes_, CAIRO_FORMAT_RGB16_565, width, height,
                                                   pitch);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS)
        return;
    CreateContext();
}

PixelBuffer::~PixelBuffer()
{
    if (context_ != nullptr)
        cairo_destroy(context_);
    if (surface_ != nullptr)
        cairo_surface_destroy(surface_);
    std::free(bytes_);
}

void PixelBuffer::CreateContext()
{
    if (context_ != nullptr)
        cairo_destroy(context_);
    context_ = cairo_create(surface_);
    if (cairo_status(context_) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(context_);
        context_ = nullptr;
        return;
    }
    // GDI draws aliased pixels; the operator is a plain copy of the colour.
    cairo_set_antialias(context_, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(context_, CAIRO_OPERATOR_SOURCE);
    cairo_set_fill_rule(context_, CAIRO_FILL_RULE_WINDING);
    // Curves flattened to a quarter pixel: indistinguishable on aliased
    // pixels, and fewer edges keep fills and strokes cheap.
    cairo_set_tolerance(context_, 0.25);
}

cairo_t *PixelBuffer::Context()
{
    if (context_ != nullptr && cairo_status(context_) != CAIRO_STATUS_SUCCESS)
        CreateContext();
    return context_;
}

void PixelBuffer::BeginDirectAccess()
{
    if (surface_ != nullptr)
        cairo_surface_flush(surface_);
}

void PixelBuffer::EndDirectAccess()
{
    if (surface_ != nullptr)
        cairo_surface_mark_dirty(surface_);
}

void PixelBuffer::Fill(std::uint16_t pixel, int left, int top, int right, int bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    if (left >= right || top >= bottom)
        return;
    BeginDirectAccess();
    const bool bytewise = (pixel & 0xFF) == (pixel >> 8);
    for (int y = top; y < bottom; ++y) {
        std::uint16_t *row = Row(y);
        if (bytewise)
            std::memset(row + left, pixel & 0xFF, static_cast<std::size_t>(right - left) * 2);
        else
            std::fill(row + left, row + right, pixel);
    }
    EndDirectAccess();
}

} // namespace zorbel::standin
