// The colour conversions of a 16-bit (RGB565) screen, as the stand-in draws
// and the tracer and the GDI painter show its pixels.
#pragma once

#include <cstdint>

namespace zorbel {

// A GDI colour (0x00BBGGRR) on the screen: the top 5, 6 and 5 bits of red,
// green and blue.
constexpr std::uint16_t Rgb565(std::uint32_t colorref)
{
    const std::uint32_t red = colorref & 0xFF, green = (colorref >> 8) & 0xFF,
                        blue = (colorref >> 16) & 0xFF;
    return static_cast<std::uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

// A pixel back to 8 bits a channel, 0xRRGGBB, each channel's top bits
// repeated below it so that white stays white.
constexpr std::uint32_t Rgb888(std::uint16_t pixel)
{
    const std::uint32_t r5 = pixel >> 11, g6 = (pixel >> 5) & 0x3F, b5 = pixel & 0x1F;
    return (((r5 << 3) | (r5 >> 2)) << 16) | (((g6 << 2) | (g6 >> 4)) << 8) |
           ((b5 << 3) | (b5 >> 2));
}

} // namespace zorbel
