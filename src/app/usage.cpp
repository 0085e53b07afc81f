#include "app/usage.h"

#include <cstdio>
#include <string>

#include <unistd.h>

#ifndef ZORBEL_VERSION
#define ZORBEL_VERSION "unknown"
#endif
#ifndef ZORBEL_DATA_FROM_PROGRAM
#define ZORBEL_DATA_FROM_PROGRAM "../share/zorbel"
#endif

namespace {

// The folder of the running program, or "" when it cannot be found out.
std::string ProgramFolder()
{
    char buffer[4096];
    const ssize_t got = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (got <= 0 || static_cast<size_t>(got) >= sizeof buffer)
        return std::string();
    std::string path(buffer, static_cast<size_t>(got));
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// The installed data folder written out from the program's folder, each
// leading ".." taking off one of its components.
std::string DataFolder(std::string folder)
{
    std::string relative = ZORBEL_DATA_FROM_PROGRAM;
    while (relative.compare(0, 3, "../") == 0 && folder.size() > 1) {
        const size_t slash = folder.find_last_of('/');
        folder = slash == 0 ? "/" : folder.substr(0, slash);
        relative.erase(0, 3);
    }
    return folder + (folder == "/" ? "" : "/") + relative;
}

void PrintUsage()
{
    std::string beside = "beside the program";
    std::string data = ZORBEL_DATA_FROM_PROGRAM " from the program's folder";
    const std::string folder = ProgramFolder();
    if (!folder.empty()) {
        beside += ": " + folder;
        data = DataFolder(folder);
    }
    std::printf(
        "Zorbel " ZORBEL_VERSION ": a slingshot-like launcher for a force-feedback mouse.\n"
        "\n"
        "Usage: zorbel [--help | --version]\n"
        "\n"
        "Runs full screen. Grab the band with the left mouse button, pull and let\n"
        "go; while the band is held a spring pulls the hand back toward its rest\n"
        "centre. Escape quits. Other arguments are ignored.\n"
        "\n"
        "Environment:\n"
        "  TACLIB_DEVICE  unset: the force-feedback mouse, if there is one;\n"
        "                 sim: a simulated device; none: no force feedback\n"
        "  TACLIB_LOG     a file to append a line to for every force-feedback call\n"
        "\n"
        "The spring's values come from the effect project zorbel.hkr, the first\n"
        "found of (without one, the program's own values are used):\n"
        "  in the current folder\n"
        "  %s\n"
        "  in the data folder: %s\n",
        beside.c_str(), data.c_str());
}

} // namespace

bool AnswerInformationRequest(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            PrintUsage();
            return true;
        }
        if (word == "--version") {
            std::printf("zorbel " ZORBEL_VERSION "\n");
            return true;
        }
    }
    return false;
}
