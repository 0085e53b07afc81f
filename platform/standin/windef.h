// Basic Win32 types and macros of the stand-in layer.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using ATOM = WORD;
using COLORREF = DWORD;
using HRESULT = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPSTR = char *;
using LPCSTR = const char *;
using LPVOID = void *;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Handles are distinct pointer types, as with STRICT on Windows.
#define ZORBEL_DECLARE_HANDLE(name)                                                                \
    struct name##__ {                                                                              \
        int unused;                                                                                \
    };                                                                                             \
    using name = name##__ *

ZORBEL_DECLARE_HANDLE(HWND);
ZORBEL_DECLARE_HANDLE(HINSTANCE);
ZORBEL_DECLARE_HANDLE(HICON);
ZORBEL_DECLARE_HANDLE(HMENU);
ZORBEL_DECLARE_HANDLE(HACCEL);
ZORBEL_DECLARE_HANDLE(HDC);
ZORBEL_DECLARE_HANDLE(HPEN);
ZORBEL_DECLARE_HANDLE(HBRUSH);
using HCURSOR = HICON;
using HGDIOBJ = void *;

struct POINT {
    LONG x;
    LONG y;
};
using LPPOINT = POINT *;

struct SIZE {
    LONG cx;
    LONG cy;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT *;

#define MAKEINTRESOURCEA(i)                                                                        \
    (reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(i))))
#define LOWORD(l) (static_cast<WORD>(static_cast<std::uintptr_t>(l) & 0xffff))
#define HIWORD(l) (static_cast<WORD>((static_cast<std::uintptr_t>(l) >> 16) & 0xffff))
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

// The process entry that the program defines; the stand-in layer's main calls it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
