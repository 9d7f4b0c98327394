#include "tests/support/soak.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

int SoakSeconds()
{
    const char* text = std::getenv("VALDRIX_SOAK_SECONDS");
    return text ? std::max(0, std::atoi(text)) : 0;
}

long ResidentKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

TSimFaultTally ParseSimFaultTally(const std::string& line)
{
    TSimFaultTally tally;
    unsigned long long answers = 0, dropped = 0, corrupted = 0;
    tally.Read = std::sscanf(line.c_str(), "valdrix-sim stopped answers=%llu dropped=%llu corrupted=%llu", &answers,
                             &dropped, &corrupted) == 3;
    tally.Answers = answers;
    tally.Dropped = dropped;
    tally.Corrupted = corrupted;
    return tally;
}
