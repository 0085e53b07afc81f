// zorbel-trace: runs a script of input commands through the scene on the
// headless host and prints what the scene does, one JSON record a line.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "script.h"
#include "session.h"

namespace {

int Usage()
{
    std::fputs("usage: zorbel-trace [--png DIR] [SCRIPT]\n"
               "Reads the script from standard input when SCRIPT is absent or '-'.\n"
               "With --png, every drawn frame is also written to DIR/frame-000001.png and on.\n",
               stderr);
    return 2;
}

// No command needs more than a few dozen bytes; a longer line is malformed,
// and reading stops there instead of holding all of it in memory.
constexpr std::streamsize kMaxLine = 4096;

int Fail(long long number, const std::string &error)
{
    std::fflush(stdout);
    std::fprintf(stderr, "line %lld: %s\n", number, error.c_str());
    return 2;
}

int Run(std::istream &in, const std::string &pngDir)
{
    zorbel::trace::Session session(stdout, pngDir);
    static char line[kMaxLine + 1];
    long long number = 0;
    for (;;) {
        in.getline(line, sizeof line);
        if (in.gcount() == 0 && in.eof())
            break;
        ++number;
        if (in.fail() && !in.eof())
            return Fail(number, "line longer than " + std::to_string(kMaxLine) + " bytes");
        if (in.bad())
            return Fail(number, "cannot read the script");
        // The line as read, NUL bytes included; the newline is not part of it.
        const bool newline = !in.eof();
        const std::string_view text(line, static_cast<std::size_t>(in.gcount() - (newline ? 1 : 0)));
        zorbel::trace::Command command;
        std::string error;
        if (!zorbel::trace::ParseLine(text, command, error) || !session.Run(command, error))
            return Fail(number, error);
        if (in.eof())
            break;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::string pngDir;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "--png") == 0) {
        if (arg + 1 >= argc || argv[arg + 1][0] == '\0')
            return Usage();
        pngDir = argv[arg + 1];
        arg += 2;
    }
    if (argc - arg > 1)
        return Usage();
    if (arg < argc && std::strcmp(argv[arg], "-") != 0) {
        if (argv[arg][0] == '-')
            return Usage();
        std::error_code ignored;
        if (std::filesystem::is_directory(argv[arg], ignored)) {
            std::fprintf(stderr, "zorbel-trace: '%s' is a folder, not a script\n", argv[arg]);
            return 2;
        }
        std::ifstream file(argv[arg]);
        if (!file) {
            std::fprintf(stderr, "zorbel-trace: cannot open '%s'\n", argv[arg]);
            return 2;
        }
        return Run(file, pngDir);
    }
    return Run(std::cin, pngDir);
}
