// Command line of valdrix-sim.
#pragma once

#include "sim/SimFaults.h"
#include "sim/SimJig.h"
#include "sim/SimModule.h"
#include "sim/SimWorld.h"

#include <cstdint>
#include <optional>
#include <string>

// Modules one simulator can put on its link.
constexpr int SimMaxModules = 32;

struct TSimOptions {
    std::string Host = "127.0.0.1";
    bool Tcp = true;
    int Port = 10001;
    bool BusTcp = true;
    int BusPort = -1; // -1: 10002, or a free port when Port is 0
    std::string Pty;
    std::string BusPty;
    uint8_t Address = 0x31; // of the first module; the others follow it
    int Modules = 1;
    bool Static = false;
    std::string Identification = SimIdentification; // of every module
    bool Verbose = false;
    TSimFaultSettings Faults;
    TSimSignals Signals;
    TSimJigSettings Jig;

    int EffectiveBusPort() const { return BusPort >= 0 ? BusPort : Port == 0 ? 0 : 10002; }
};

// Parses the command line into o. Nothing when the simulator is to run; otherwise the
// status to exit with, after the usage text, the version or the reason a command line
// cannot be run has been printed.
std::optional<int> ParseSimOptions(int argc, const char* const* argv, TSimOptions& o);
const char* SimUsage();
