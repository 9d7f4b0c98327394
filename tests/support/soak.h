// What the long runs share: how long to run (VALDRIX_SOAK_SECONDS; the soak tests skip
// when it is unset, so the normal test run stays short), the resident memory of a
// process, and the closing line of a simulator that injected faults.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

// Seconds to run, 0 when no soak was asked for.
int SoakSeconds();
// Resident memory of the process in kB (VmRSS), -1 when it cannot be read.
long ResidentKb(pid_t pid);
// Growth of resident memory that still counts as flat after warm-up: allocator and
// sanitizer bookkeeping move a little whatever the program does.
constexpr long FlatResidentSlackKb = 4096;

// "valdrix-sim stopped answers=N dropped=D corrupted=C", as the simulator prints it at its end.
struct TSimFaultTally {
    uint64_t Answers = 0;
    uint64_t Dropped = 0;
    uint64_t Corrupted = 0;
    bool Read = false;
};
TSimFaultTally ParseSimFaultTally(const std::string& line);
