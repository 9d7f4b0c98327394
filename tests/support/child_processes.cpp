#include "tests/support/child_processes.h"

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace {

int ExitStatus(pid_t pid, long* peakResidentKb = nullptr)
{
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (peakResidentKb) *peakResidentKb = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> SimulatorArgs(const std::vector<std::string>& extra, bool frozen)
{
    std::vector<std::string> args = {"--port", "0"};
    if (frozen) args.push_back("--static");
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

} // namespace

pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args, int out, int err)
{
    const pid_t pid = fork();
    if (pid == 0) {
        // A test that dies (a sanitizer's halt) takes its peers with it, so that none
        // keeps the test's output open and holds its runner to the time-out.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

std::string ProgramPath(const char* envName)
{
    const char* path = std::getenv(envName);
    if (!path || !*path) throw std::runtime_error(std::string(envName) + " is not set");
    return path;
}

TProgramRun RunProgram(const char* envName, const std::vector<std::string>& args, std::chrono::milliseconds deadline)
{
    return RunProgramAt(ProgramPath(envName), args, deadline);
}

TProgramRun RunProgramAt(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::milliseconds deadline)
{
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = SpawnProgram(program, args, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    TProgramRun run;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.Out, &run.Err};
    int open = 2;
    const auto end = std::chrono::steady_clock::now() + deadline;
    const auto left = [&] {
        if (deadline.count() == 0) return -1;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        return int(std::max<std::chrono::milliseconds::rep>(ms.count(), 0));
    };
    int ready = 0;
    while (open > 0 && (ready = poll(fds, 2, left())) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, size_t(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    if (open > 0 && ready == 0) {
        run.Hung = true;
        kill(pid, SIGKILL);
    }
    for (const pollfd& fd : fds)
        if (fd.fd >= 0) close(fd.fd);
    run.Status = ExitStatus(pid, &run.PeakResidentKb);
    return run;
}

TRunningProgram::TRunningProgram(const std::string& program, const std::vector<std::string>& args, bool withErrors)
{
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    FPid = SpawnProgram(program, args, out[1], withErrors ? out[1] : STDERR_FILENO);
    close(out[1]);
    FOut = out[0];
}

TRunningProgram::~TRunningProgram()
{
    CloseOutput();
    Stop(SIGTERM);
}

std::optional<std::string> TRunningProgram::ReadLine(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const size_t end = FBuffer.find('\n');
        if (end != std::string::npos) {
            std::string line = FBuffer.substr(0, end);
            FBuffer.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        pollfd fd = {FOut, POLLIN, 0};
        if (FOut < 0 || left.count() < 0 || poll(&fd, 1, int(left.count())) <= 0) return std::nullopt;
        char buffer[4096];
        const ssize_t n = read(FOut, buffer, sizeof buffer);
        if (n <= 0) return std::nullopt;
        FBuffer.append(buffer, size_t(n));
    }
}

void TRunningProgram::CloseOutput()
{
    if (FOut >= 0) close(FOut);
    FOut = -1;
}

int TRunningProgram::Stop(int signal)
{
    if (FPid <= 0) return FStatus;
    if (signal != 0) kill(FPid, signal);
    FStatus = ExitStatus(FPid);
    FPid = -1;
    return FStatus;
}

bool TRunningProgram::Running()
{
    if (FPid <= 0) return false;
    int status = 0;
    if (waitpid(FPid, &status, WNOHANG) == 0) return true;
    FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    FPid = -1;
    return false;
}

TSimulator::TSimulator(const std::vector<std::string>& extra, bool frozen)
    : FProcess(ProgramPath("VALDRIX_SIM"), SimulatorArgs(extra, frozen))
{
    FReadyLine = FProcess.ReadLine(std::chrono::seconds(20)).value_or("");
    const auto port = [&](const std::string& key) {
        const size_t at = FReadyLine.find(key + "=127.0.0.1:");
        return at == std::string::npos ? 0 : std::atoi(FReadyLine.c_str() + at + key.size() + 11);
    };
    FPort = port("tcp");
    FRS485Port = port("rs485");
}

bool TSimulator::Ready() const { return FReadyLine.rfind("valdrix-sim ready", 0) == 0; }

std::string TSimulator::Stop()
{
    FProcess.Stop(SIGTERM);
    return FProcess.ReadLine(std::chrono::seconds(1)).value_or("");
}

std::string TSimulator::Connection() const { return LoopbackConnection(FPort); }

std::string TSimulator::RS485Connection() const { return LoopbackConnection(FRS485Port); }

std::string LoopbackConnection(int port) { return "provider=TCP_CLIENT;host=127.0.0.1;port=" + std::to_string(port); }

std::vector<std::string> SimulatorOnPort(int port) { return {"--port", std::to_string(port), "--rs485-port", "0"}; }
