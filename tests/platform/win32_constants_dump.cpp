// Prints the stand-in layer's constants as static_asserts for a translation
// unit compiled against the Windows headers (win32_constants_check.cpp).
#include "platform/win32.h"

#include <cstdio>

int main()
{
#define CONSTANT(name)                                                                             \
    std::printf("static_assert(static_cast<long long>(%s) == %lldLL, \"%s\");\n", #name,           \
                static_cast<long long>(name), #name);
#include "win32_constants.inc"
#undef CONSTANT
    // The structures whose size the program writes into them (32-bit layout).
    std::printf("static_assert(sizeof(DDSURFACEDESC2) == %zu, \"DDSURFACEDESC2\");\n",
                sizeof(DDSURFACEDESC2));
    std::printf("static_assert(sizeof(DDBLTFX) == %zu, \"DDBLTFX\");\n", sizeof(DDBLTFX));
    std::printf("static_assert(sizeof(ACCEL) == %zu, \"ACCEL\");\n", sizeof(ACCEL));
    return 0;
}
