#include "framework/uExceptions.h"
#include "framework/uci_ConnectionString.h"
#include "tests/support/loopback_socket.h"
#include "tests/support/pump_until.h"
#include "tests/transports/tcp/tcp_client_fixture.h"
#include "tests/transports/test_wait_support.h"

#include <gtest/gtest.h>

#include <netdb.h>

#include <thread>
#include <vector>

namespace {

TEST_F(TcpClient, ConfigurationRoundTripAndDeviceName)
{
    Tcp->SetConfiguration("provider=TCP_CLIENT;host=module1;port=10001");
    EXPECT_EQ(Tcp->GetConfiguration(), "provider=TCP_CLIENT;host=module1;port=10001");
    std::string name;
    Tcp->GetDeviceName(name);
    EXPECT_EQ(name, "TCPC module1:10001");
    Tcp->SetConfiguration("port=502");
    EXPECT_EQ(Tcp->GetPort(), 502);
    std::string host;
    Tcp->GetHost(host);
    EXPECT_EQ(host, "module1"); // unchanged when the key is missing
    // A port no TCP connection can have is refused, not wrapped into 16 bits.
    for (const char* port : {"port=abc", "port=70000", "port=65536", "port=0", "port=-1"}) {
        EXPECT_THROW(Tcp->SetConfiguration(port), EConvertError) << port;
        EXPECT_EQ(Tcp->GetPort(), 502) << port;
    }
    Tcp->SetConfiguration("port=65535");
    EXPECT_EQ(Tcp->GetPort(), 65535);
    EXPECT_FALSE(Tcp->IsOpen());
}

TEST_F(TcpClient, FactoryBuildsTheTransportFromAnyCaseOfItsName)
{
    IntfPtr<ICommunicationInterface> intf;
    ASSERT_TRUE(CreateCommunicationInterface("PROVIDER=tcp_client;HOST=module1;PORT=10001", intf));
    IntfPtr<ITCPClientInterface> tcp;
    ASSERT_TRUE(Supports(intf, tcp));
    EXPECT_EQ(tcp->GetPort(), 10001);
    IntfPtr<ISockClientInterface> sock;
    EXPECT_TRUE(Supports(intf, sock));
    EXPECT_THROW(CreateCommunicationInterface("provider=TCP_CLIENT;port=abc", intf), EConvertError);
}

// Each connection is told once when it opens and once when it closes; a link that is
// not open closes without a word, forced or not.
TEST_F(TcpClient, OpenAndCloseNotifyOnceEachAndReportTheState)
{
    Configure();
    const std::vector<std::string> cycle = {"open", "close"};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Rec.Clear();
        ASSERT_TRUE(Tcp->Open());
        EXPECT_TRUE(Tcp->IsOpen());
        EXPECT_EQ(Rec.Events(), std::vector<std::string>{"open"});
        ASSERT_TRUE(Peer.Accept());
        EXPECT_GT(Tcp->GetLocalPort(), 0);

        EXPECT_TRUE(Tcp->Close(false));
        EXPECT_FALSE(Tcp->IsOpen());
        EXPECT_EQ(Rec.Events(), cycle);
        EXPECT_EQ(Tcp->Send("after"), 0); // the socket is gone
        EXPECT_EQ(Tcp->GetLocalPort(), 0);
        EXPECT_EQ(Peer.Read(1), ""); // the peer sees the end, not data
        Peer.CloseConnection();
    }
    EXPECT_TRUE(Tcp->Close(true));
    EXPECT_TRUE(Tcp->Close(false));
    EXPECT_EQ(Rec.Events(), cycle);
}

TEST_F(TcpClient, SendBeforeOpenSendsAndCountsNothing)
{
    Configure();
    EXPECT_EQ(Tcp->Send("abc"), 0);
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    EXPECT_EQ(Tcp->Send(std::string("x\0y", 3)), 3);
    EXPECT_EQ(Peer.Read(3), std::string("x\0y", 3));
}

TEST_F(TcpClient, RefusedPortFailsWithinTheConnectWait)
{
    Peer.StopListening();
    Configure();
    const uint32_t start = GetTickCount();
    EXPECT_FALSE(Tcp->Open());
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_FALSE(Tcp->IsOpen());
    EXPECT_EQ(Rec.Last(), "error Open");
}

TEST_F(TcpClient, ConnectThatNeverCompletesGivesUpAfterTheWait)
{
    // A listener whose accept queue is full drops further connection requests.
    uint16_t port = 0;
    const int full = BindLoopback(port, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        bool connected = false;
        fillers.push_back(ConnectLoopback(port, connected, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC));
    }
    Sleep(50);
    Tcp->SetConfiguration("host=127.0.0.1;port=" + std::to_string(port));
    const uint32_t start = GetTickCount();
    EXPECT_FALSE(Tcp->Open());
    const uint32_t took = GetTickCount() - start;
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, 5000u);
    EXPECT_FALSE(Tcp->IsOpen());
    Tcp->Close(true);
    for (int fd : fillers) close(fd);
    close(full);
}

TEST_F(TcpClient, UnresolvableHostFails)
{
    Tcp->SetConfiguration("host=no-such-host.invalid;port=1");
    const uint32_t start = GetTickCount();
    EXPECT_FALSE(Tcp->Open());
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_FALSE(Tcp->IsOpen());
    Tcp->SetConfiguration("host=;port=1");
    EXPECT_FALSE(Tcp->Open());
}

TEST_F(TcpClient, HostNamesResolve)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo("localhost", nullptr, &hints, &found) != 0)
        GTEST_SKIP() << "this machine has no hosts entry for localhost";
    freeaddrinfo(found);
    Tcp->SetConfiguration("host=localhost;port=" + std::to_string(Peer.Port()));
    EXPECT_TRUE(Tcp->Open());
}

TEST_F(TcpClient, ActiveKeyDecidesTheOpenState)
{
    Configure();
    for (const char* on : {";active=true", ";active=TRUE", ";active=1"}) {
        Configure(on);
        EXPECT_TRUE(Tcp->IsOpen()) << on;
        Configure(";active=yes");
        EXPECT_FALSE(Tcp->IsOpen()) << on;
    }
    Configure(";active=1");
    Configure(); // no key: the state from before
    EXPECT_TRUE(Tcp->IsOpen());
    Tcp->SetLinkEnabled(false);
    EXPECT_FALSE(Tcp->IsOpen());
    Configure();
    EXPECT_FALSE(Tcp->IsOpen());
}

TEST_F(TcpClient, PeerCloseFiresTheCloseNotification)
{
    Configure();
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    Rec.Clear();
    Peer.CloseConnection();
    EXPECT_TRUE(PumpUntil([&] { return !Tcp->IsOpen(); }, std::chrono::seconds(3)));
    EXPECT_TRUE(PumpUntil([&] { return Rec.Count("close") > 0; }, std::chrono::seconds(3)));
    EXPECT_EQ(Rec.Events(), std::vector<std::string>{"close"});
    EXPECT_EQ(Tcp->InBuffUsed(), 0);
}

TEST_F(TcpClient, ArrivingBytesReachTheDataHandler)
{
    Configure();
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    Peer.Write(std::string("\x01\x00\xff", 3));
    EXPECT_TRUE(PumpUntil([&] { return Rec.Received().size() == 3; }, std::chrono::seconds(3)));
    Peer.Write("more");
    EXPECT_TRUE(PumpUntil([&] { return Rec.Received().size() == 7; }, std::chrono::seconds(3)));
    EXPECT_EQ(Rec.Received(), std::string("\x01\x00\xff" "more", 7));
}

// The socket itself ends a request's wait when bytes arrive or the peer goes, whichever
// way it goes; the waiter reads the bytes, as a request does.
TEST_F(TcpClient, WaitForDataIsWokenByTheSocket)
{
    Tcp->SetOnDataRcv(TCiNotifyEvent());
    Configure();
    for (const bool reset : {false, true}) {
        ASSERT_TRUE(Tcp->Open());
        ASSERT_TRUE(Peer.Accept());
        EXPECT_EQ(Tcp->WaitForData(20), TCiWaitResult::TimedOut);

        ExpectWaitEndedBy(*Tcp, TCiWaitResult::Data, [&] { Peer.Write("x"); });
        std::string bytes;
        Tcp->Receive(bytes);
        EXPECT_EQ(bytes, "x");

        ExpectWaitEndedBy(*Tcp, TCiWaitResult::Closed, [&] {
            if (reset)
                Peer.ResetConnection();
            else
                Peer.CloseConnection();
        });
        // Once the notifications have run, nothing more counts as sent.
        EXPECT_TRUE(PumpUntil([&] { return !Tcp->IsOpen(); }, std::chrono::seconds(3)));
        EXPECT_EQ(Tcp->Send("late"), 0);
    }
}

// Complete when the answer ends with "!".
uint16_t EndsWithBang(std::string_view answer) { return !answer.empty() && answer.back() == '!' ? 0 : 1; }

TEST_F(TcpClient, TransactionCollectsSplitAnswerWhileMainThreadIsBlocked)
{
    Configure();
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    std::thread peer([&] {
        if (Peer.Read(3) != "REQ") return;
        Peer.Write("AB");
        Sleep(30);
        Peer.Write("C!");
        Sleep(30);
        Peer.Write("late");
    });
    std::string answer;
    Tcp->Transaction("REQ", 2000, 1000, 4000, false, false, &EndsWithBang, "", answer);
    peer.join();
    EXPECT_EQ(answer, "ABC!");
}

TEST_F(TcpClient, TransactionEndsWhenThePeerFallsSilentOrCloses)
{
    Configure();
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    std::string answer;
    // Never answers: the first-byte window ends it.
    uint32_t start = GetTickCount();
    Tcp->SimpleTransaction("Q", 100, nullptr, answer);
    EXPECT_EQ(answer, "");
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_EQ(Peer.Read(1), "Q");

    // Closes after half an answer: the gap ends it and the close is reported afterwards.
    std::thread peer([&] {
        Peer.Read(1);
        Peer.Write("hal");
        Peer.CloseConnection();
    });
    start = GetTickCount();
    Tcp->SimpleTransaction("R", 500, &EndsWithBang, answer);
    peer.join();
    EXPECT_EQ(answer, "hal");
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_TRUE(PumpUntil([&] { return Rec.Last() == "close"; }, std::chrono::seconds(3)));
    EXPECT_FALSE(Tcp->IsOpen());
}

TEST_F(TcpClient, FloodingPeerIsCutOffByTheOverallWindow)
{
    Configure();
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        const std::string chunk(512, 'f');
        while (!stop) {
            Peer.Write(chunk);
            Sleep(1);
        }
    });
    std::string answer;
    const uint32_t start = GetTickCount();
    Tcp->Transaction("Q", 50, 50, 300, false, false, nullptr, "", answer);
    const uint32_t took = GetTickCount() - start;
    stop = true;
    peer.join();
    EXPECT_GT(answer.size(), 0u);
    EXPECT_LT(took, 3000u);
    EXPECT_TRUE(Tcp->IsOpen());
}

} // namespace
