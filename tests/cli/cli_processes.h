// Child processes for the end-to-end tests: the module simulator, started on a free
// loopback port, and runs of valdrix-cli with their output and exit status.
#pragma once

#include <string>
#include <vector>

struct TProgramRun {
    int Status = -1; // exit status, -1 when the program did not exit normally
    std::string Out;
    std::string Err;
};

// Runs the program to its end; environment variable `envName` names it.
TProgramRun RunProgram(const char* envName, const std::vector<std::string>& args);

// valdrix-sim --port 0 --static plus `extra`, stopped (SIGTERM) when destroyed.
class TSimulator {
public:
    explicit TSimulator(const std::vector<std::string>& extra = {});
    ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    bool Ready() const { return FPort != 0; }
    int Port() const { return FPort; }
    std::string Connection() const;

private:
    int FPid = -1;
    int FPort = 0;
};
