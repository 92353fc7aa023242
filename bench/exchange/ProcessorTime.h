#pragma once

#include <sys/resource.h>

// Processor time, user and system, of this process (RUSAGE_SELF) or of its children that have
// ended (RUSAGE_CHILDREN), in seconds.
inline double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
