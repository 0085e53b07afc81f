// Keyboard translation for the SDL host: SDL key codes to Win32 virtual keys
// and the PC scan codes that Win32 puts into a key message's lParam.
#pragma once

#include <SDL.h>

#include "platform/standin/windef.h"

namespace zorbel::standin {

// 0 for keys without a virtual key here.
WORD VirtualKeyOf(SDL_Keycode key);
// Bits 16 to 24 of a key message's lParam: scan code and extended-key flag.
DWORD ScanBitsOf(WORD virtualKey);

} // namespace zorbel::standin
