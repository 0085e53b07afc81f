// zorbel-trace: runs a script of input commands through the scene on the
// headless host and prints what the scene does, one JSON record a line.
#include <cerrno>
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
    std::fputs("usage: zorbel-trace [--png DIR] [--sums FILE] [SCRIPT]\n"
               "Reads the script from standard input when SCRIPT is absent or '-'.\n"
               "With --png, every drawn frame is also written to DIR/frame-000001.png and on.\n"
               "With --sums, FILE gets one line per drawn frame: its number and a checksum\n"
               "of its pixels.\n",
               stderr);
    return 2;
}

// No command needs more than a few dozen bytes; a longer line is malformed,
// and reading stops there instead of holding all of it in memory.
constexpr std::streamsize kMaxLine = 4096;

int Fail(long long number, const std::string &why)
{
    std::fflush(stdout);
    std::fprintf(stderr, "line %lld: %s\n", number, why.c_str());
    return 2;
}

int Run(std::istream &in, const std::string &pngDir, std::FILE *sums)
{
    zorbel::trace::Session session(stdout, pngDir, sums);
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
        const std::string_view text(line,
                                    static_cast<std::size_t>(in.gcount() - (newline ? 1 : 0)));
        zorbel::trace::Command command;
        std::string why;
        if (!zorbel::trace::ParseLine(text, command, &why) || !session.Run(command, &why))
            return Fail(number, why);
        if (in.eof())
            break;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::string pngDir;
    std::string sumsPath;
    int arg = 1;
    while (arg < argc &&
           (std::strcmp(argv[arg], "--png") == 0 || std::strcmp(argv[arg], "--sums") == 0)) {
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
        std::error_code ignored;
        if (argv[arg][0] == '-') {
            status = Usage();
        } else if (std::filesystem::is_directory(argv[arg], ignored)) {
            std::fprintf(stderr, "zorbel-trace: '%s' is a folder, not a script\n", argv[arg]);
            status = 2;
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
    // Records that were lost (a full disk, a closed standard output) must not
    // pass for a run that printed them.
    if ((std::fflush(stdout) != 0 || std::ferror(stdout) != 0) && status == 0) {
        std::fprintf(stderr, "zorbel-trace: cannot write the records: %s\n", std::strerror(errno));
        status = 2;
    }
    return status;
}
