// Command line of valdrix-sim.
#pragma once

#include "sim/SimFaults.h"
#include "sim/SimWorld.h"

#include <cstdint>
#include <string>

struct TSimOptions {
    std::string Host = "127.0.0.1";
    bool Tcp = true;
    int Port = 10001;
    bool BusTcp = true;
    int BusPort = -1; // -1: 10002, or a free port when Port is 0
    std::string Pty;
    std::string BusPty;
    uint8_t Address = 0x31;
    bool Static = false;
    bool Verbose = false;
    bool Help = false;
    TSimFaultSettings Faults;
    TSimSignals Signals;

    int EffectiveBusPort() const { return BusPort >= 0 ? BusPort : Port == 0 ? 0 : 10002; }
};

// Throws Exception with a message for the user on a bad command line.
TSimOptions ParseSimOptions(int argc, char** argv);
const char* SimUsage();
