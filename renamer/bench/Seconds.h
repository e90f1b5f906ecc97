// The benchmarks' clock: seconds from the performance counter.
#ifndef VELKARO_BENCH_SECONDS_H
#define VELKARO_BENCH_SECONDS_H

#include <windows.h>

inline double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

#endif
