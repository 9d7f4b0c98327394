#include "tests/support/postgres_server.h"

#include "tests/support/child_processes.h"
#include "tests/support/loopback_socket.h"

#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <sys/wait.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* DatabaseUser = "valdrix";

// The newest installed server's programs.
std::string ServerBin()
{
    glob_t found{};
    std::string bin;
    if (glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found) == 0 && found.gl_pathc > 0)
        bin = std::filesystem::path(found.gl_pathv[found.gl_pathc - 1]).parent_path();
    globfree(&found);
    return bin;
}

} // namespace

TPostgresServer::TPostgresServer() : FBin(ServerBin())
{
    if (FBin.empty()) {
        FProblem = "no PostgreSQL server is installed (Debian package postgresql)";
        return;
    }
    char pattern[] = "/tmp/valdrix-postgres-XXXXXX";
    if (!mkdtemp(pattern)) {
        FProblem = "cannot make a temporary folder";
        return;
    }
    FFolder = pattern;
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || chown(FFolder.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            FProblem = "cannot hand the server's folder to the user nobody";
            return;
        }
        FUser = std::to_string(nobody->pw_uid);
        FGroup = std::to_string(nobody->pw_gid);
    }
    if (!Run("initdb", "-D " + FFolder + "/data -U " + DatabaseUser + " --auth=trust -E UTF8 --no-sync")) return;
    // A free port may be taken by another test's server between the look and the start:
    // another port is tried then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        FPort = UnusedLoopbackPort();
        FProblem.clear();
        if (Start()) return;
    }
}

bool TPostgresServer::Impossible()
{
    struct stat root {};
    return geteuid() == 0 && (stat("/", &root) != 0 || !(root.st_mode & S_IXOTH));
}

TPostgresServer::~TPostgresServer()
{
    if (FFolder.empty()) return;
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
}

bool TPostgresServer::Run(const std::string& program, const std::string& args)
{
    // As root, as the unprivileged user (setpriv needs no login session, unlike runuser);
    // the output goes to the log.
    const std::string command =
        (FUser.empty() ? "" : "setpriv --reuid=" + FUser + " --regid=" + FGroup + " --clear-groups ") + FBin + "/" +
        program + " " + args + " >>" + FFolder + "/log 2>&1";
    if (std::system(command.c_str()) == 0) return true;
    FProblem = program + " failed; see " + FFolder + "/log";
    return false;
}

bool TPostgresServer::Start()
{
    // The server is this process's child and dies with it (also when a test is killed):
    // none is left running. As root setpriv keeps the death signal across the change of user.
    const std::string server = FBin + "/postgres";
    // Durability is the SQLite store's test; the server's own syncs only slow the tests.
    std::vector<std::string> args = {"-D", FFolder + "/data", "-p", std::to_string(FPort), "-k", FFolder,
                                     "-c", "listen_addresses=127.0.0.1", "-c", "fsync=off"};
    if (!FUser.empty())
        args.insert(args.begin(), {"--reuid=" + FUser, "--regid=" + FGroup, "--clear-groups", "--pdeathsig", "SIGKILL",
                                   server});
    const int log = open((FFolder + "/server.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    FPid = SpawnProgram(FUser.empty() ? server : "/usr/bin/setpriv", args, log, log);
    close(log);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline && waitpid(FPid, nullptr, WNOHANG) == 0) {
        if (Run("pg_isready", "-q -h 127.0.0.1 -p " + std::to_string(FPort))) {
            FProblem.clear(); // what the looks before this one found
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Stop();
    FProblem = "the server did not start; see " + FFolder + "/server.log";
    return false;
}

bool TPostgresServer::Stop()
{
    if (FPid <= 0) return false;
    // A fast shutdown: the clients are disconnected, the data kept.
    kill(FPid, SIGINT);
    waitpid(std::exchange(FPid, -1), nullptr, 0);
    return true;
}

std::string TPostgresServer::NewDatabase()
{
    if (!FProblem.empty()) return "";
    const std::string name = "records" + std::to_string(++FDatabases);
    if (!Run("createdb", "-h 127.0.0.1 -p " + std::to_string(FPort) + " -U " + DatabaseUser + " " + name)) return "";
    return std::string("postgresql://") + DatabaseUser + "@127.0.0.1:" + std::to_string(FPort) + "/" + name;
}

void TPostgresServer::Signal(int signal)
{
    if (FPid <= 0) return;
    kill(FPid, signal);
    // The server's processes are its children: /proc/PID/stat gives each one's parent.
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        int parent = 0;
        if (close != std::string::npos && std::sscanf(line.c_str() + close + 1, " %*c %d", &parent) == 1 && parent == FPid)
            kill(std::stoi(name), signal);
    }
}
