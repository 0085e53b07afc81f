// The resources of the program, for the stand-in layer: what windres links
// into the Windows executable, registered here by a source file generated
// from the same resource script (see rc_script.h and StandinResources.cmake).
#pragma once

#include "platform/standin/winuser.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zorbel::standin {

void RegisterAcceleratorTable(WORD id, const ACCEL *entries, std::size_t count);
void RegisterIconGroup(WORD id, const unsigned char *ico, std::size_t size);

// Null when no such resource was registered.
const std::vector<ACCEL> *FindAcceleratorTable(WORD id);
const std::vector<unsigned char> *FindIconGroup(WORD id);

struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb; // rows top-down, 0xAARRGGBB
};

// Decodes the largest bitmap image of an .ico file (1, 4, 8, 24 or 32 bits
// per pixel, with its AND mask). False for anything malformed or unsupported.
bool DecodeIcon(const unsigned char *data, std::size_t size, IconImage *image);

} // namespace zorbel::standin
