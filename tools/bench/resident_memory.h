// What the process holds in memory now, as the kernel counts it.
#pragma once

#include <cstdio>

#include <unistd.h>

// Resident memory in kB; 0 when it cannot be read.
inline long long ResidentKb()
{
    long long pages = 0;
    long long resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lld %lld", &pages, &resident) != 2)
            resident = 0;
        (void)std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
