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
    std::fputs("usage: zorbel-trace [SCRIPT]\n"
               "Reads the script from standard input when SCRIPT is absent or '-'.\n",
               stderr);
    return 2;
}

int Run(std::istream &in)
{
    zorbel::trace::Session session(stdout);
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
    if (argc > 2)
        return Usage();
    if (argc == 2 && std::strcmp(argv[1], "-") != 0) {
        if (argv[1][0] == '-')
            return Usage();
        std::ifstream file(argv[1]);
        if (!file) {
            std::fprintf(stderr, "zorbel-trace: cannot open '%s'\n", argv[1]);
            return 2;
        }
        return Run(file);
    }
    return Run(std::cin);
}
