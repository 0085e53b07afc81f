// The resources of the program, for the stand-in layer: what windres links
// into the Windows executable, registered here by a source file generated
// from the same resource script (see platform/tools/rc2cpp.cpp).
#pragma once

#include "platform/standin/winuser.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zorbel::standin {

struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb; // rows top-down, 0xAARRGGBB
};

void RegisterAcceleratorTable(WORD id, const ACCEL *entries, std::size_t count);
// An icon group, as the image the window shows (decoded when the program is built).
void RegisterIcon(WORD id, int width, int height, const std::uint32_t *argb);

// Null when no such resource was registered (or for a handle of another kind).
const std::vector<ACCEL> *AcceleratorsOf(HACCEL table);
const IconImage *IconOf(HICON icon);

} // namespace zorbel::standin
