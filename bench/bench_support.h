// Shared by the benchmark programs: the CPU time a process spends while it waits, and
// the programs of this build that the benchmarks start.
#pragma once

#include <chrono>
#include <cstdlib>
#include <ctime>

inline double ProcessCpuSeconds()
{
    timespec ts;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// CPU milliseconds the whole process (every thread) uses per second of wall time while
// `wait` lets about the given time pass.
template <class Wait>
double IdleCpuMsPerSecond(std::chrono::seconds time, Wait&& wait)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpu0 = ProcessCpuSeconds();
    wait(time);
    const double cpu = ProcessCpuSeconds() - cpu0;
    return cpu * 1000.0 / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The helpers of tests/support find the programs through environment variables; unless
// the caller set them, they name the programs of this build.
inline void UseBuiltPrograms()
{
#ifdef VALDRIX_SIM_PATH
    ::setenv("VALDRIX_SIM", VALDRIX_SIM_PATH, 0);
#endif
#ifdef VALDRIX_CLI_PATH
    ::setenv("VALDRIX_CLI", VALDRIX_CLI_PATH, 0);
#endif
}
