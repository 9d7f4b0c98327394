// Child processes for end-to-end tests and benchmarks: runs of a program to its end
// with its output and exit status, a program left running while its output is read
// line by line, and the module simulator on a free loopback port.
#pragma once

#include <csignal>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Starts the program with its standard output and error on the given descriptors.
pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args, int out, int err);

// The program named by the environment variable; raises std::runtime_error when unset.
std::string ProgramPath(const char* envName);

struct TProgramRun {
    int Status = -1; // exit status, -1 when the program did not exit normally
    std::string Out;
    std::string Err;
    bool Hung = false;       // still running at the deadline, and killed then
    long PeakResidentKb = 0; // the most memory the program held at any time
};

// Runs the program to its end; environment variable `envName` names it. A program still
// running at the deadline (when one is given) is killed.
TProgramRun RunProgram(const char* envName, const std::vector<std::string>& args,
                       std::chrono::milliseconds deadline = {});
// The same for the program at this path.
TProgramRun RunProgramAt(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::milliseconds deadline = {});

// A running program whose standard output (with `withErrors` also its standard error)
// comes through a pipe; stopped (SIGTERM) when destroyed.
class TRunningProgram {
public:
    TRunningProgram(const std::string& program, const std::vector<std::string>& args, bool withErrors = false);
    ~TRunningProgram();
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;

    // The next line without its newline; nothing when the output ended or no line came in time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    // Stops reading: later writes of the program fail.
    void CloseOutput();
    // Sends the signal and waits for the end; the exit status, -1 when it did not exit normally.
    int Stop(int signal);
    pid_t Pid() const { return FPid; }
    // Waits for the program to end by itself; its exit status as Stop gives it.
    int Wait() { return Stop(0); }
    // Whether the program still runs; one that ended keeps its exit status for Stop.
    bool Running();

private:
    pid_t FPid = -1;
    int FStatus = -1;
    int FOut = -1;
    std::string FBuffer;
};

// valdrix-sim --port 0 --static plus `extra` (a later option wins, so SimulatorOnPort
// brings a simulator back on the port of one that ended); stopped
// (SIGTERM) when destroyed. A live simulator (frozen false, no --static) lets its
// signals and temperatures drift.
class TSimulator {
public:
    explicit TSimulator(const std::vector<std::string>& extra = {}, bool frozen = true);

    // Whether the simulator printed its ready line in time.
    bool Ready() const;
    // "valdrix-sim ready tcp=127.0.0.1:PORT rs485=127.0.0.1:PORT address=..." ("tcp=off"
    // with --no-tcp, "pty=PATH" with --pty).
    const std::string& ReadyLine() const { return FReadyLine; }
    // The loopback port of the main link; 0 without one.
    int Port() const { return FPort; }
    // The loopback port of the module's RS-485 side.
    int RS485Port() const { return FRS485Port; }
    std::string Connection() const;
    std::string RS485Connection() const;
    bool Running() { return FProcess.Running(); }
    pid_t Pid() const { return FProcess.Pid(); }
    // Ends the simulator at once, as when the module is unplugged.
    void Kill() { FProcess.Stop(SIGKILL); }
    // Stops the simulator (SIGTERM) and returns its closing line: what its faults did.
    std::string Stop();

private:
    TRunningProgram FProcess;
    std::string FReadyLine;
    int FPort = 0;
    int FRS485Port = 0;
};

// "provider=TCP_CLIENT" to a loopback port.
std::string LoopbackConnection(int port);
// The simulator's extra arguments for its main link on this port (RS-485 on a free one).
std::vector<std::string> SimulatorOnPort(int port);
