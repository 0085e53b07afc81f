// Reading the window icon out of an .ico file: the directory, then one
// device-independent bitmap with its transparency mask.
#include "platform/tools/icon_decode.h"

namespace zorbel::standin {

namespace {

class Reader {
public:
    Reader(const unsigned char *data, std::size_t size) : data_(data), size_(size) {}
    bool Has(std::size_t offset, std::size_t count) const
    {
        return offset <= size_ && count <= size_ - offset;
    }
    std::uint32_t U8(std::size_t at) const { return data_[at]; }
    std::uint32_t U16(std::size_t at) const { return data_[at] | (U8(at + 1) << 8); }
    std::uint32_t U32(std::size_t at) const { return U16(at) | (U16(at + 2) << 16); }

private:
    const unsigned char *data_;
    std::size_t size_;
};

struct Entry {
    std::size_t offset = 0;
    std::size_t size = 0;
    std::uint32_t area = 0;
    std::uint32_t bits = 0;
};

bool BestEntry(const Reader &in, Entry *best)
{
    if (!in.Has(0, 6) || in.U16(0) != 0 || in.U16(2) != 1 || in.U16(4) == 0)
        return false;
    const std::uint32_t count = in.U16(4);
    if (!in.Has(6, count * 16u))
        return false;
    bool found = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + i * 16u;
        const std::uint32_t width = in.U8(at) == 0 ? 256 : in.U8(at);
        const std::uint32_t height = in.U8(at + 1) == 0 ? 256 : in.U8(at + 1);
        Entry entry{in.U32(at + 12), in.U32(at + 8), width * height, in.U16(at + 6)};
        if (!found || entry.area > best->area ||
            (entry.area == best->area && entry.bits > best->bits)) {
            *best = entry;
            found = true;
        }
    }
    return found;
}

struct Dib {
    std::size_t at = 0; // start of the header in the file
    int width = 0;
    int height = 0;
    std::uint32_t bits = 0;
    std::size_t palette = 0;
    std::uint32_t colours = 0;
    std::size_t pixels = 0;
    std::size_t xorStride = 0;
    std::size_t mask = 0;
    std::size_t maskStride = 0;
};

bool ReadDib(const Reader &in, const Entry &entry, Dib *dib)
{
    if (!in.Has(entry.offset, 40) || !in.Has(entry.offset, entry.size))
        return false;
    const std::size_t at = entry.offset;
    const std::uint32_t headerSize = in.U32(at);
    const auto width = static_cast<std::int32_t>(in.U32(at + 4));
    const auto doubleHeight = static_cast<std::int32_t>(in.U32(at + 8));
    dib->bits = in.U16(at + 14);
    const bool knownDepth =
        dib->bits == 1 || dib->bits == 4 || dib->bits == 8 || dib->bits == 24 || dib->bits == 32;
    if (headerSize < 40 || in.U32(at + 16) != 0 || !knownDepth || width <= 0 || width > 256 ||
        doubleHeight <= 0 || doubleHeight > 512 || doubleHeight % 2 != 0)
        return false;
    dib->width = width;
    dib->height = doubleHeight / 2;
    dib->colours = dib->bits <= 8 ? (in.U32(at + 32) != 0 ? in.U32(at + 32) : 1u << dib->bits) : 0;
    if (dib->colours > 256)
        return false;
    dib->palette = at + headerSize;
    dib->pixels = dib->palette + dib->colours * 4u;
    dib->xorStride = (static_cast<std::size_t>(width) * dib->bits + 31) / 32 * 4;
    dib->mask = dib->pixels + dib->xorStride * static_cast<std::size_t>(dib->height);
    dib->maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::size_t end = dib->mask + dib->maskStride * static_cast<std::size_t>(dib->height);
    return end <= entry.offset + entry.size && in.Has(0, end);
}

std::uint32_t PixelAt(const Reader &in, const Dib &dib, int x, int row)
{
    const std::size_t line = dib.pixels + dib.xorStride * static_cast<std::size_t>(row);
    const auto ux = static_cast<std::size_t>(x);
    if (dib.bits == 32)
        return in.U32(line + ux * 4);
    if (dib.bits == 24)
        return 0xFF000000u | in.U8(line + ux * 3) | (in.U8(line + ux * 3 + 1) << 8) |
               (in.U8(line + ux * 3 + 2) << 16);
    const std::size_t bitIndex = ux * dib.bits;
    const std::uint32_t byte = in.U8(line + bitIndex / 8);
    const std::uint32_t shift = 8 - dib.bits - static_cast<std::uint32_t>(bitIndex % 8);
    const std::uint32_t index = (byte >> shift) & ((1u << dib.bits) - 1);
    if (index >= dib.colours)
        return 0xFF000000u;
    return 0xFF000000u | (in.U32(dib.palette + index * 4) & 0xFFFFFFu);
}

bool Masked(const Reader &in, const Dib &dib, int x, int row)
{
    const std::size_t line = dib.mask + dib.maskStride * static_cast<std::size_t>(row);
    const std::uint32_t byte = in.U8(line + static_cast<std::size_t>(x) / 8);
    return ((byte >> (7 - x % 8)) & 1) != 0;
}

} // namespace

bool DecodeIcon(const unsigned char *data, std::size_t size, IconImage *image)
{
    const Reader in(data, size);
    Entry entry;
    Dib dib;
    if (data == nullptr || !BestEntry(in, &entry) || !ReadDib(in, entry, &dib))
        return false;
    image->width = dib.width;
    image->height = dib.height;
    image->argb.assign(static_cast<std::size_t>(dib.width) * static_cast<std::size_t>(dib.height),
                       0);
    bool anyAlpha = false;
    for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x)
            anyAlpha = anyAlpha || (dib.bits == 32 && (PixelAt(in, dib, x, y) >> 24) != 0);
    for (int y = 0; y < dib.height; ++y) {
        const int row = dib.height - 1 - y; // bitmaps are stored bottom-up
        for (int x = 0; x < dib.width; ++x) {
            std::uint32_t pixel = PixelAt(in, dib, x, row);
            // 32-bit images carry their own alpha; the others (and 32-bit ones
            // whose alpha is all zero) take transparency from the mask.
            if (!anyAlpha)
                pixel = (pixel & 0xFFFFFFu) | (Masked(in, dib, x, row) ? 0u : 0xFF000000u);
            image->argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(dib.width) +
                        static_cast<std::size_t>(x)] = pixel;
        }
    }
    return true;
}

} // namespace zorbel::standin
