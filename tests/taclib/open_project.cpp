// Opens the effect project named on the command line, as a program would, and
// prints "1" or "0 REASON". The lookup test copies it into trees of its own
// to see where a name without a folder is found.
#include <cstdio>

#include "taclib.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PROJECT\n", argv[0]);
        return 2;
    }
    CTacProject project;
    if (project.OpenFile(argv[1], nullptr) != 0) {
        std::printf("1\n");
    } else {
        std::printf("0 %s\n", project.LastError());
    }
    return 0;
}
