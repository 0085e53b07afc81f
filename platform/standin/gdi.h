// What surfaces and the headless host need of GDI: device contexts and colours.
#pragma once

#include "platform/standin/platform_state.h"

#include <cstdint>

namespace zorbel::standin {

// A device context on a surface: stock BLACK_PEN and WHITE_BRUSH selected, at (0, 0).
HDC OpenDc(SurfaceObject &surface);
// Deselects its objects (finishing their pending deletions) and frees the slot.
void CloseDc(HDC dc);

// The RGB565 pixel GDI draws a COLORREF with: 5, 6 and 5 top bits.
std::uint16_t Rgb565Of(COLORREF colour);

} // namespace zorbel::standin
