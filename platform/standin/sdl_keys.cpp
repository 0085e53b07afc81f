#include "platform/standin/sdl_keys.h"

#include <cstring>

namespace zorbel::standin {

WORD VirtualKeyOf(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<WORD>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<WORD>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<WORD>(0x70 + (key - SDLK_F1));
    switch (key) {
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_RETURN: return 0x0D;
    case SDLK_SPACE: return 0x20;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 0x11;
    case SDLK_LALT:
    case SDLK_RALT: return 0x12;
    default: return 0;
    }
}

DWORD ScanBitsOf(WORD virtualKey)
{
    static const char kRows[] = "QWERTYUIOP\0\0\0\0ASDFGHJKL\0\0\0\0\0ZXCVBNM";
    constexpr DWORD kExtended = 1u << 24;
    DWORD scan = 0;
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        const void *at = std::memchr(kRows, virtualKey, sizeof(kRows));
        scan = at != nullptr ? 0x10 + static_cast<DWORD>(static_cast<const char *>(at) - kRows) : 0;
    } else if (virtualKey >= '1' && virtualKey <= '9') {
        scan = 0x02 + (virtualKey - '1');
    } else if (virtualKey >= 0x70 && virtualKey <= 0x79) {
        scan = 0x3B + (virtualKey - 0x70);
    } else {
        switch (virtualKey) {
        case '0': scan = 0x0B; break;
        case 0x1B: scan = 0x01; break;
        case 0x08: scan = 0x0E; break;
        case 0x09: scan = 0x0F; break;
        case 0x0D: scan = 0x1C; break;
        case 0x20: scan = 0x39; break;
        case 0x10: scan = 0x2A; break;
        case 0x11: scan = 0x1D; break;
        case 0x12: scan = 0x38; break;
        case 0x7A: scan = 0x57; break;
        case 0x7B: scan = 0x58; break;
        case 0x25: return (0x4Bu << 16) | kExtended;
        case 0x26: return (0x48u << 16) | kExtended;
        case 0x27: return (0x4Du << 16) | kExtended;
        case 0x28: return (0x50u << 16) | kExtended;
        default: break;
        }
    }
    return scan << 16;
}

} // namespace zorbel::standin
