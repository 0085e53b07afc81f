// zorbel-trace: runs a script of input commands through the scene on the
// headless host and prints what the scene does, one JSON record a line.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

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

int Run(std::istream &in, const std::string &pngDir)
{
    zorbel::trace::Session session(stdout, pngDir);
    std::string line;
    long long number = 0;
    while (std::getline(in, line)) {
        ++number;
        zorbel::trace::Command command;
        std::string error;
        if (!zorbel::trace::ParseLine(line, command, error) || !session.Run(command, error)) {
            std::fflush(stdout);
            std::fprintf(stderr, "line %lld: %s\n", number, error.c_str());
            return 2;
        }
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
        std::ifstream file(argv[arg]);
        if (!file) {
            std::fprintf(stderr, "zorbel-trace: cannot open '%s'\n", argv[arg]);
            return 2;
        }
        return Run(file, pngDir);
    }
    return Run(std::cin, pngDir);
}
