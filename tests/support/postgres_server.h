// A PostgreSQL server of the tests' own, from Debian's server package: a cluster made
// in a temporary folder, listening on a free loopback port, trusting its one user, and
// stopped and removed at the end; a child of the test, so it dies with it. The server refuses to run as root, so a root test run
// starts it as the unprivileged user "nobody".
#pragma once

#include <sys/types.h>

#include <csignal>

#include <string>

class TPostgresServer {
public:
    TPostgresServer();
    ~TPostgresServer();
    TPostgresServer(const TPostgresServer&) = delete;
    TPostgresServer& operator=(const TPostgresServer&) = delete;

    // Why the server could not be made or started; empty when it runs.
    const std::string& Problem() const { return FProblem; }
    // No server can run here: the tests run as root where nobody may not enter / (a
    // root file system kept private), so the server's user cannot start a program.
    static bool Impossible();
    // A new, empty database: its URL (postgresql://…); empty with Problem() on failure.
    std::string NewDatabase();
    // Stops the server (its data stays) and starts it again on the same port.
    bool Stop();
    bool Start();
    // Stops every process of the server with SIGSTOP: it keeps its connections and its
    // port but answers nothing, as a server that froze; Thaw lets them go on (SIGCONT).
    void Freeze() { Signal(SIGSTOP); }
    void Thaw() { Signal(SIGCONT); }

private:
    // Sends the signal to the server and to each of its processes.
    void Signal(int signal);
    // Runs a server program as the server's user; false with Problem() set.
    bool Run(const std::string& program, const std::string& args);

    std::string FBin, FFolder;
    std::string FUser, FGroup; // as root: the user and group ids of "nobody"
    pid_t FPid = -1;
    int FPort = 0;
    int FDatabases = 0;
    std::string FProblem;
};
