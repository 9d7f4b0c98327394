#include "sim/SimPtyLink.h"

#include "framework/uExceptions.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

[[noreturn]] void Fail(const std::string& what) { throw Exception(what + ": " + strerror(errno)); }

}

TSimPtyLink::TSimPtyLink(TSimSide side, ISimPacketSink& sink, std::string path)
    : TSimLink(side, sink), FPath(std::move(path))
{
    struct stat existing {};
    if (lstat(FPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode))
        throw Exception(FPath + " exists and is not a symlink");
    Open();
}

TSimPtyLink::~TSimPtyLink()
{
    CloseTerminal();
    unlink(FPath.c_str());
}

void TSimPtyLink::Open()
{
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FMaster < 0) Fail("posix_openpt");
    char name[128];
    if (grantpt(FMaster) != 0 || unlockpt(FMaster) != 0 || ptsname_r(FMaster, name, sizeof name) != 0) {
        CloseTerminal();
        Fail("pseudo-terminal setup");
    }
    FSlave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (FSlave < 0 || tcgetattr(FSlave, &raw) != 0) {
        CloseTerminal();
        Fail(std::string("open ") + name);
    }
    cfmakeraw(&raw);
    tcsetattr(FSlave, TCSANOW, &raw);
    // Point the symlink at the new terminal in one step: write a temporary link and
    // rename it over the old one, so the path never dangles.
    const std::string temporary = FPath + ".tmp" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(name, temporary.c_str()) != 0 || rename(temporary.c_str(), FPath.c_str()) != 0) {
        CloseTerminal();
        Fail("symlink " + FPath);
    }
    StartSession();
}

void TSimPtyLink::CloseTerminal()
{
    if (FSlave >= 0) close(FSlave);
    if (FMaster >= 0) close(FMaster);
    FSlave = FMaster = -1;
}

void TSimPtyLink::Hangup()
{
    Flush(FMaster);
    CloseTerminal();
    Open();
}

void TSimPtyLink::Watches(std::vector<TSimLoop::TWatch>& watches)
{
    const short events = short(POLLIN | (HasOutput() ? POLLOUT : 0));
    watches.push_back({FMaster, events, [this](short revents) { OnMaster(revents); }});
}

void TSimPtyLink::OnMaster(short revents)
{
    if (revents & POLLIN) {
        char chunk[16384];
        const ssize_t n = read(FMaster, chunk, sizeof chunk);
        if (n > 0) Received(std::string_view(chunk, size_t(n)));
    } else if (revents & (POLLERR | POLLHUP | POLLNVAL)) {
        // Not expected while the simulator holds the slave; start afresh if it happens.
        Hangup();
        return;
    }
    if (!Flush(FMaster)) Hangup();
}
