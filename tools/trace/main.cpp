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
    std::fputs("usage: zorbel-trace [--png DIR] [--sums FILE] [SCRIPT]\n"
               "Reads the script from standard input when SCRIPT is absent or '-'.\n"
               "With --png, every drawn frame is also written to DIR/frame-000001.png and on.\n"
               "With --sums, FILE gets one line per drawn frame: its number and a checksum\n"
               "of its pixels.\n",
               stderr);
    return 2;
}

int Run(std::istream &in, const std::string &pngDir, std::FILE *sums)
{
    zorbel::trace::Session session(stdout, pngDir, sums);
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
    std::string sumsPath;
    int arg = 1;
    while (arg < argc && (std::strcmp(argv[arg], "--png") == 0 ||
                          std::strcmp(argv[arg], "--sums") == 0)) {
        if (arg + 1 >= argc || argv[arg + 1][0] == '\0')
            return Usage();
        (std::strcmp(argv[arg], "--png") == 0 ? pngDir : sumsPath) = argv[arg + 1];
        arg += 2;
    }
    if (argc - arg > 1)
        return Usage();
    std::FILE *sums = nullptr;
    if (!sumsPath.empty() && (sums = std::fopen(sumsPath.c_str(), "w")) == nullptr) {
        std::fprintf(stderr, "zorbel-trace: cannot write '%s'\n", sumsPath.c_str());
        return 2;
    }
    int status = 0;
    if (arg < argc && std::strcmp(argv[arg], "-") != 0) {
        std::ifstream file;
        if (argv[arg][0] != '-')
            file.open(argv[arg]);
        if (argv[arg][0] == '-') {
            status = Usage();
        } else if (!file) {
            std::fprintf(stderr, "zorbel-trace: cannot open '%s'\n", argv[arg]);
            status = 2;
        } else {
            status = Run(file, pngDir, sums);
        }
    } else {
        status = Run(std::cin, pngDir, sums);
    }
    if (sums != nullptr && std::fclose(sums) != 0 && status == 0) {
        std::fprintf(stderr, "zorbel-trace: cannot write '%s'\n", sumsPath.c_str());
        status = 2;
    }
    return status;
}
