// ser2net exposing a serial device (a pseudo-terminal in the tests) as a raw TCP server
// on a loopback port: the gateway a technician puts in front of a module's line.
#pragma once

#include "tests/support/child_processes.h"

#include <memory>
#include <string>

constexpr const char* Ser2netProgram = "/usr/sbin/ser2net";

class TSer2netGateway {
public:
    // Writes its configuration into `dir` and listens on a free port. Ready() tells
    // whether it accepts.
    TSer2netGateway(const std::string& dir, const std::string& device);

    bool Ready() const { return FReady; }
    int Port() const { return FPort; }
    std::string Connection() const { return LoopbackConnection(FPort); }
    // Ends the gateway (SIGTERM), dropping its clients.
    void Stop() { FProcess.reset(); }
    // Starts the gateway again on its port, after Stop.
    void Restart();

private:
    std::string FConfig;
    int FPort;
    bool FReady = false;
    std::unique_ptr<TRunningProgram> FProcess;
};
