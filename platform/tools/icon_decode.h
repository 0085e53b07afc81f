// Reading a window icon out of an .ico file, at build time.
#pragma once

#include "platform/standin/resources.h"

#include <cstddef>

namespace zorbel::standin {

// Decodes the largest bitmap image of an .ico file (1, 4, 8, 24 or 32 bits
// per pixel, with its AND mask). False for anything malformed or unsupported.
bool DecodeIcon(const unsigned char *data, std::size_t size, IconImage *image);

} // namespace zorbel::standin
