#include "app/usage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "taclib.h"

#ifndef ZORBEL_VERSION
#define ZORBEL_VERSION "unknown"
#endif

namespace {

const char kProjectName[] = "zorbel.hkr";

// The places are the library's own answer, so that what is printed is where
// the project will be looked for.
void PrintProjectPlaces()
{
    const char *const what[] = {"in the current folder", "beside the program",
                                "in the data folder"};
    char place[4096];
    for (int i = 0; i < 3 && CTacProject::SearchPlace(kProjectName, i, place, sizeof place) != 0;
         ++i) {
        if (i == 0)
            std::printf("  %s\n", what[0]);
        else
            std::printf("  %s: %s\n", what[i], place);
    }
}

void PrintUsage()
{
    std::printf("Zorbel " ZORBEL_VERSION ": a slingshot-like launcher for a force-feedback mouse.\n"
                "\n"
                "Usage: zorbel [--help | --version | --devices]\n"
                "\n"
                "Runs full screen. Grab the band with the left mouse button, pull and let\n"
                "go; while the band is held a spring pulls the hand back toward its rest\n"
                "centre. Escape quits. --devices lists the force-feedback devices and\n"
                "what the spring would be on each. Other arguments are ignored.\n"
                "\n"
                "Environment:\n"
                "  TACLIB_DEVICE  unset: the best force-feedback device there is (a force\n"
                "                 mouse, a force joystick or wheel, a rumble pad);\n"
                "                 sim: a simulated device; none: no force feedback\n"
                "  TACLIB_LOG     a file to append a line to for every force-feedback call\n"
                "\n"
                "The spring's values come from the effect project %s, the first\n"
                "found of (without one, the program's own values are used):\n",
                kProjectName);
    PrintProjectPlaces();
}

// Whoever asked must not take a lost answer for one (a full disk, a closed
// standard output).
int Written(const char *what)
{
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0)
        return 0;
    std::fprintf(stderr, "zorbel: cannot write the %s: %s\n", what, std::strerror(errno));
    return 2;
}

// A line per device: the listing fits the first size unless the machine has
// a great many; the largest one is the limit of what is shown.
int PrintDevices()
{
    std::vector<char> devices;
    for (const std::size_t size : {std::size_t{65536}, std::size_t{1} << 20}) {
        devices.assign(size, '\0');
        if (CTacMouse::DescribeDevices(devices.data(), static_cast<unsigned long>(size)) != 0) {
            std::fputs(devices.data(), stdout);
            return Written("the devices");
        }
    }
    std::fprintf(stderr, "zorbel: the list of devices is longer than %zu bytes\n", devices.size());
    return 1;
}

} // namespace

int AnswerInformationRequest(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            PrintUsage();
            return Written("usage");
        }
        if (word == "--devices")
            return PrintDevices();
        if (word == "--version") {
            std::printf("zorbel " ZORBEL_VERSION "\n");
            return Written("version");
        }
    }
    return kNoInformationRequest;
}
