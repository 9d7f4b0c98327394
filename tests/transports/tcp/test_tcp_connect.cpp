#include "framework/uTimeoutManager.h"
#include "tests/support/loopback_socket.h"
#include "tests/transports/tcp_test_peer.h"
#include "transports/tcp/uTcpConnect.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

// A loopback listener whose accept queue is full: connection requests to it are
// dropped, so they neither succeed nor fail.
class TSilentListener {
public:
    TSilentListener()
    {
        FListen = BindLoopback(FPort, 0);
        for (int i = 0; i < 3; ++i) {
            bool connected = false;
            FFillers.push_back(ConnectLoopback(FPort, connected, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC));
        }
        Sleep(50);
    }
    ~TSilentListener()
    {
        for (int fd : FFillers) close(fd);
        close(FListen);
    }
    uint16_t Port() const { return FPort; }

private:
    int FListen = -1;
    uint16_t FPort = 0;
    std::vector<int> FFillers;
};

TTcpAddress Loopback(uint16_t port)
{
    TTcpAddress a;
    const sockaddr_in in = LoopbackAddress(port);
    std::memcpy(&a.Address, &in, sizeof(in));
    a.Length = sizeof(in);
    return a;
}

enum class TEnd { Live, Silent, Refused };

// The addresses of a name are tried in turn: a silent one does not keep the next from
// being tried, and the first connection made wins; without one the last reason counts.
TEST(TcpConnect, AddressesAreTriedInTurnAndTheFirstConnectionWins)
{
    struct TCase {
        std::vector<TEnd> Ends;
        bool Connects;
        int Error;
    };
    const TCase cases[] = {
        {{TEnd::Silent, TEnd::Live}, true, 0},
        {{TEnd::Refused, TEnd::Live}, true, 0},
        {{TEnd::Silent, TEnd::Silent, TEnd::Live}, true, 0},
        {{TEnd::Live, TEnd::Silent}, true, 0},
        {{TEnd::Refused, TEnd::Refused}, false, ECONNREFUSED},
        {{TEnd::Silent, TEnd::Refused}, false, 0},
        {{}, false, TcpErrorHostNotFound},
    };
    for (const TCase& c : cases) {
        TTestPeer live;
        TSilentListener silent;
        std::vector<TTcpAddress> addresses;
        for (TEnd e : c.Ends)
            addresses.push_back(Loopback(e == TEnd::Live ? live.Port() : e == TEnd::Silent ? silent.Port() : UnusedLoopbackPort()));
        TPollEvent cancel;
        const TTcpConnectResult r = ConnectFirst(addresses, 1500, cancel, {});
        const size_t index = size_t(&c - cases);
        EXPECT_EQ(r.Fd >= 0, c.Connects) << "case " << index;
        EXPECT_EQ(r.Error, c.Error) << "case " << index;
        if (r.Fd < 0) continue;
        EXPECT_TRUE(live.Accept()) << "case " << index;
        close(r.Fd);
    }
}

// A cancel from another thread ends the wait for a silent address or a slow name at once;
// the idle function runs meanwhile.
TEST(TcpConnect, CancelEndsTheAttemptFromAnotherThread)
{
    TSilentListener silent;
    for (const bool byName : {false, true}) {
        TPollEvent cancel;
        int idles = 0;
        std::thread other([&] {
            Sleep(100);
            cancel.Set();
        });
        const std::string host = byName ? "localhost" : "127.0.0.1";
        const TTcpConnectResult r = ConnectTcp(host, silent.Port(), 5000, cancel, [&] { ++idles; });
        other.join();
        EXPECT_EQ(r.Fd, -1) << host;
        EXPECT_EQ(r.Error, ECANCELED) << host;
        EXPECT_GT(idles, 1) << host;
    }
}

} // namespace
