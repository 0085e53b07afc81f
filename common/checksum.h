// 64-bit FNV-1a: the checksum of the tracer's and the GDI painter's frames,
// and the hash that names the single-copy socket.
#pragma once

#include <cstdint>

namespace zorbel {

// 64-bit FNV-1a: the offset basis, and one byte folded in.
constexpr std::uint64_t kFnvBasis = 14695981039346656037ull;
constexpr std::uint64_t Fnv1a(std::uint64_t hash, std::uint8_t byte)
{
    return (hash ^ byte) * 1099511628211ull;
}

// A pixel folded in, low byte first.
constexpr std::uint64_t Fnv1aPixel(std::uint64_t hash, std::uint16_t pixel)
{
    return Fnv1a(Fnv1a(hash, static_cast<std::uint8_t>(pixel & 0xFF)),
                 static_cast<std::uint8_t>(pixel >> 8));
}

} // namespace zorbel
