// What a force device that cannot play a spring itself is told for the
// spring at a pointer position, from the library's own core, for the shell
// tests to check a device's record against:
//
//   taclib_spring_told KIND X Y [STIFFNESS [CENTRE_X CENTRE_Y [WIDTH HEIGHT]]]
//
// KIND is joystick (the push "FX,FY"), wheel (its horizontal part "FX,0")
// or pad (both motors' speeds "S,S"). The spring is the built-in one
// (saturation 10000, no dead band, both axes) with the given stiffness
// (1000), centre (512, 384) and screen (1024 x 768).
#include "spring_force.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool ParseInt(const char *text, long lo, long hi, long *out)
{
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

int Usage()
{
    std::fputs("usage: taclib_spring_told joystick|wheel|pad X Y [STIFFNESS [CENTRE_X CENTRE_Y "
               "[WIDTH HEIGHT]]]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4 && argc != 5 && argc != 7 && argc != 9)
        return Usage();
    const char *kind = argv[1];
    if (std::strcmp(kind, "joystick") != 0 && std::strcmp(kind, "wheel") != 0 &&
        std::strcmp(kind, "pad") != 0)
        return Usage();
    long v[8] = {0, 0, 1000, 512, 384, 1024, 768, 0};
    const long limits[7][2] = {{-1000000, 1000000}, {-1000000, 1000000}, {-10000, 10000},
                               {-1000000, 1000000}, {-1000000, 1000000}, {1, 65535},
                               {1, 65535}};
    for (int i = 2; i < argc; ++i) {
        if (!ParseInt(argv[i], limits[i - 2][0], limits[i - 2][1], &v[i - 2]))
            return Usage();
    }
    taclib::SpringParams spring;
    spring.stiffness = static_cast<std::int32_t>(v[2]);
    spring.centreX = static_cast<std::int32_t>(v[3]);
    spring.centreY = static_cast<std::int32_t>(v[4]);
    const taclib::ScreenSize screen{static_cast<std::int32_t>(v[5]),
                                    static_cast<std::int32_t>(v[6])};
    const taclib::Force force = taclib::SpringForceAt(spring, v[0], v[1], screen);
    if (std::strcmp(kind, "pad") == 0) {
        const unsigned speed = taclib::RumbleSpeed(force, spring.saturation);
        std::printf("%u,%u\n", speed, speed);
    } else if (std::strcmp(kind, "wheel") == 0) {
        std::printf("%d,0\n", static_cast<int>(force.x));
    } else {
        std::printf("%d,%d\n", static_cast<int>(force.x), static_cast<int>(force.y));
    }
    return 0;
}
