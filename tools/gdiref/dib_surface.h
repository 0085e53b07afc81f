// A 16-bit (RGB565) top-down DIB section selected into a memory DC: what
// GDI paints onto, for the reference tools, the same pixel format as the
// program's back buffer.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

class DibSurface {
public:
    DibSurface() = default;
    DibSurface(const DibSurface &) = delete;
    DibSurface &operator=(const DibSurface &) = delete;
    ~DibSurface() { Close(); }

    bool Open(int width, int height)
    {
        Close();
        struct {
            BITMAPINFOHEADER header;
            DWORD masks[3];
        } info{};
        info.header.biSize = sizeof info.header;
        info.header.biWidth = width;
        info.header.biHeight = -height; // top-down
        info.header.biPlanes = 1;
        info.header.biBitCount = 16;
        info.header.biCompression = BI_BITFIELDS;
        info.masks[0] = 0xF800;
        info.masks[1] = 0x07E0;
        info.masks[2] = 0x001F;
        void *bits = nullptr;
        dc_ = CreateCompatibleDC(nullptr);
        if (dc_ == nullptr)
            return false;
        bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS,
                                   &bits, nullptr, 0);
        if (bitmap_ == nullptr)
            return false;
        old_ = SelectObject(dc_, bitmap_);
        bits_ = static_cast<std::uint16_t *>(bits);
        width_ = width;
        height_ = height;
        stride_ = ((width * 2 + 3) & ~3) / 2; // rows are padded to 4 bytes
        return true;
    }

    void Close()
    {
        if (dc_ != nullptr) {
            if (bitmap_ != nullptr) {
                SelectObject(dc_, old_);
                DeleteObject(bitmap_);
            }
            DeleteDC(dc_);
        }
        dc_ = nullptr;
        bitmap_ = nullptr;
    }

    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Every pixel 0, as the program's clear of the back buffer leaves it.
    void Clear()
    {
        GdiFlush();
        std::memset(bits_, 0, static_cast<std::size_t>(stride_) * height_ * 2);
    }

    // GDI may batch its drawing: GdiFlush before reading pixels.
    std::uint16_t At(int x, int y) const
    {
        return bits_[static_cast<std::size_t>(y) * stride_ + x];
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint16_t *bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
};
