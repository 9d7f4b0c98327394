#include "tests/support/postgres_server.h"

#include "tests/support/loopback_socket.h"

#include <glob.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

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
        FUser = std::to_string(nobody->pw_uid) + " --regid=" + std::to_string(nobody->pw_gid);
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
    const std::string command = (FUser.empty() ? "" : "setpriv --reuid=" + FUser + " --clear-groups ") + FBin + "/" +
                                program + " " + args + " >>" + FFolder + "/log 2>&1";
    if (std::system(command.c_str()) == 0) return true;
    FProblem = program + " failed; see " + FFolder + "/log";
    return false;
}

bool TPostgresServer::Start()
{
    // Durability is the SQLite store's test; the server's own syncs only slow the tests.
    return Run("pg_ctl", "-D " + FFolder + "/data -w -l " + FFolder + "/server.log -o \"-p " + std::to_string(FPort) +
                             " -k " + FFolder + " -c listen_addresses=127.0.0.1 -c fsync=off\" start");
}

bool TPostgresServer::Stop() { return Run("pg_ctl", "-D " + FFolder + "/data -w -m fast stop"); }

std::string TPostgresServer::NewDatabase()
{
    if (!FProblem.empty()) return "";
    const std::string name = "records" + std::to_string(++FDatabases);
    if (!Run("createdb", "-h 127.0.0.1 -p " + std::to_string(FPort) + " -U " + DatabaseUser + " " + name)) return "";
    return std::string("postgresql://") + DatabaseUser + "@127.0.0.1:" + std::to_string(FPort) + "/" + name;
}
