// The one platform header of the program.
//
// On Windows it is the real thing. Everywhere else the stand-in layer declares
// the same subset of Win32, GDI and DirectDraw with the same names, types,
// constants and results, so that the program compiles unchanged.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#include <ddraw.h>
#else
#include "platform/standin/windef.h"
#include "platform/standin/winuser.h"
#include "platform/standin/wingdi.h"
#include "platform/standin/ddraw.h"
#endif
