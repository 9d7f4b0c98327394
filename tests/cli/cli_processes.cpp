#include "cli_processes.h"

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace {

std::string ProgramPath(const char* envName)
{
    const char* path = std::getenv(envName);
    if (!path || !*path) throw std::runtime_error(std::string(envName) + " is not set");
    return path;
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int out, int err)
{
    const pid_t pid = fork();
    if (pid == 0) {
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

} // namespace

TProgramRun RunProgram(const char* envName, const std::vector<std::string>& args)
{
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = Spawn(ProgramPath(envName), args, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    TProgramRun run;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.Out, &run.Err};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
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
    int status = 0;
    waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TSimulator::TSimulator(const std::vector<std::string>& extra)
{
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> args = {"--port", "0", "--static"};
    args.insert(args.end(), extra.begin(), extra.end());
    FPid = Spawn(ProgramPath("VALDRIX_SIM"), args, out[1], STDERR_FILENO);
    close(out[1]);
    // The ready line names the port: "valdrix-sim ready tcp=127.0.0.1:PORT ...".
    std::string line;
    char c = 0;
    pollfd fd = {out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&fd, 1, 10000) > 0 && read(out[0], &c, 1) == 1) line += c;
    close(out[0]);
    const size_t at = line.find("tcp=127.0.0.1:");
    if (at != std::string::npos) FPort = std::atoi(line.c_str() + at + 14);
}

TSimulator::~TSimulator()
{
    if (FPid > 0) {
        kill(FPid, SIGTERM);
        waitpid(FPid, nullptr, 0);
    }
}

std::string TSimulator::Connection() const
{
    return "provider=TCP_CLIENT;host=127.0.0.1;port=" + std::to_string(FPort);
}

