// ser2net exposing a serial device (a pseudo-terminal in the tests) as a raw TCP server
// on a loopback port: the gateway a technician puts in front of a module's line.
#pragma once

#include "tests/support/child_processes.h"

#include <memory>
#include <string>

constexpr const char* Ser2netProgram = "/usr/sbin/ser2net";

class TSer2netGateway {
public:
    // Writes its configuration into `dir`; port 0 picks a free port, a given port brings
    // a gateway back where a stopped one listened. Ready() tells whether it accepts.
    TSer2netGateway(const std::string& dir, const std::string& device, int port = 0);

    bool Ready() const { return FReady; }
    int Port() const { return FPort; }
    std::string Connection() const { return LoopbackConnection(FPort); }
    // Ends the gateway (SIGTERM), dropping its clients.
    void Stop() { FProcess.reset(); }

private:
    int FPort;
    bool FReady = false;
    std::unique_ptr<TRunningProgram> FProcess;
};
