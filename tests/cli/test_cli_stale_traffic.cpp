// valdrix-cli on lines that bring back bytes that are no answer: a half-duplex adapter
// that returns every byte it sends ahead of the module's answer, and a gateway that hands
// a new connection what it held (more than one read's worth of earlier traffic, stale
// answers at its end) in front of a module that stays silent or answers.
#include "protocol/uTarvel97.h"
#include "tests/support/child_processes.h"
#include "tests/support/com_links.h"
#include "tests/support/held_pty.h"
#include "tests/support/loopback_socket.h"
#include "tests/support/module_peer.h"
#include "tests/support/tshark.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

const std::string Identification = "Valdrix ; v 1.0 ; SIM\n";

// Serves on a thread until destroyed: `serve` runs whenever one of the descriptors is
// readable, the stop pipe ends it.
class TServingThread {
public:
    explicit TServingThread(std::function<bool(const pollfd*)> serve, std::vector<int> fds)
    {
        if (::pipe(FStop) != 0) throw std::runtime_error("pipe failed");
        fds.insert(fds.begin(), FStop[0]);
        FThread = std::thread([serve = std::move(serve), fds] {
            std::vector<pollfd> watched;
            for (const int fd : fds) watched.push_back({fd, POLLIN, 0});
            while (::poll(watched.data(), watched.size(), -1) >= 0 && !watched[0].revents && serve(&watched[1])) {
            }
        });
    }
    ~TServingThread()
    {
        (void)!::write(FStop[1], "x", 1);
        FThread.join();
        ::close(FStop[0]);
        ::close(FStop[1]);
    }
    TServingThread(const TServingThread&) = delete;
    TServingThread& operator=(const TServingThread&) = delete;

private:
    int FStop[2] = {-1, -1};
    std::thread FThread;
};

bool WriteAll(int fd, const std::string& bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// A pseudo-terminal linked as COM<n> whose far end returns every byte the client writes
// and then passes it to the simulator, whose answers come back behind the echo.
class TEchoingLine {
public:
    TEchoingLine(const TComLinks& links, int com, int simPort)
    {
        const std::string name = OpenHeldPty(FMaster, FSlave);
        links.Link(com, name);
        bool connected = false;
        FModule = ConnectLoopback(uint16_t(simPort), connected);
        if (!connected) throw std::runtime_error("the simulator is not listening");
        FRelay = std::make_unique<TServingThread>([this](const pollfd* fds) { return Relay(fds); },
                                                  std::vector<int>{FMaster, FModule});
    }
    ~TEchoingLine()
    {
        FRelay.reset();
        for (const int fd : {FModule, FSlave, FMaster}) ::close(fd);
    }

    // Requests the client has sent so far.
    int Requests() const { return FRequests; }

private:
    bool Relay(const pollfd* fds)
    {
        char buffer[4096];
        if (fds[0].revents) {
            const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
            if (n <= 0) return false;
            const std::string bytes(buffer, size_t(n));
            if (!WriteAll(FMaster, bytes) || !WriteAll(FModule, bytes)) return false;
            FSent += bytes;
            TTarvelFormat97 request;
            while (FindTarvel97Packet(FSent, request, true)) ++FRequests;
        }
        if (fds[1].revents) {
            const ssize_t n = ::read(FModule, buffer, sizeof buffer);
            return n > 0 && WriteAll(FMaster, std::string(buffer, size_t(n)));
        }
        return true;
    }

    int FMaster = -1;
    int FSlave = -1;
    int FModule = -1;
    std::string FSent;
    std::atomic<int> FRequests{0};
    std::unique_ptr<TServingThread> FRelay;
};

// A TCP peer that greets each connection with `greeting` and then reads without ever answering.
class TSilentPeerWithBacklog {
public:
    explicit TSilentPeerWithBacklog(std::string greeting)
        : FGreeting(std::move(greeting)), FListener(BindLoopback(FPort, 4)),
          FServe(
              std::make_unique<TServingThread>([this](const pollfd*) { return Serve(); }, std::vector<int>{FListener}))
    {}
    ~TSilentPeerWithBacklog()
    {
        FServe.reset();
        ::close(FListener);
    }

    std::string Connection() const { return LoopbackConnection(FPort); }
    // Whether the whole greeting reached the client before anything came from it: only
    // then was it waiting ahead of the client's first request.
    bool GreetingFirst() const { return FGreetingFirst; }

private:
    bool Serve()
    {
        const int client = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) return true;
        if (::send(client, FGreeting.data(), FGreeting.size(), MSG_NOSIGNAL) == ssize_t(FGreeting.size())) {
            // On loopback a byte the client has acknowledged is in its receive queue, and
            // a byte it has written is already in ours.
            int unacknowledged = 1;
            for (int i = 0; i < 1000 && ::ioctl(client, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged > 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            pollfd request{client, POLLIN, 0};
            FGreetingFirst = unacknowledged == 0 && ::poll(&request, 1, 0) == 0;
            char buffer[4096];
            while (::read(client, buffer, sizeof buffer) > 0) {
            }
        }
        ::close(client);
        return true;
    }

    const std::string FGreeting;
    std::atomic<bool> FGreetingFirst{false};
    uint16_t FPort = 0;
    const int FListener;
    std::unique_ptr<TServingThread> FServe;
};

} // namespace

TEST(CliStaleTraffic, AnAdapterThatEchoesEveryRequestGetsEachAnswerAtTheFirstAttempt)
{
    TComLinks links;
    const TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    const TEchoingLine line(links, 7, sim.Port());
    const std::vector<std::string> serial = {"-c", "provider=SERIAL_PORT;comport=7;baudrate=115200"};
    const auto cli = [&serial](std::vector<std::string> args) {
        args.insert(args.begin(), serial.begin(), serial.end());
        return RunProgram("VALDRIX_CLI", args, 60s);
    };

    const TProgramRun identify = cli({"identify"});
    EXPECT_EQ(identify.Status, 0) << identify.Err;
    EXPECT_EQ(identify.Out, Identification);
    EXPECT_EQ(line.Requests(), 1);

    const TProgramRun ping = cli({"ping", "--count", "20", "--interval", "0"});
    EXPECT_EQ(ping.Status, 0) << ping.Err;
    EXPECT_NE(ping.Out.find("20 sent, 20 answered, 0 lost"), std::string::npos) << ping.Out;
    EXPECT_EQ(line.Requests(), 21);
}

TEST(CliStaleTraffic, AStaleAnswerBehindMoreThanOneReadOfBacklogIsNoAnswer)
{
    // A socket read takes at most 64 KiB; the stale answer carries the first request's SIG.
    const std::string stale = BuildTarvel97Packet(0x31, 0, 0, "Valdrix ; v 0.9 ; STALE");
    for (const size_t backlog : {size_t(65000), size_t(66000)}) {
        SCOPED_TRACE(backlog);
        // The client writes its request as soon as it is connected, which may be before
        // the peer's greeting reaches it: only a run in which the greeting came first counts.
        bool counted = false;
        for (int run = 0; run < 50 && !counted; ++run) {
            const TSilentPeerWithBacklog peer(std::string(backlog, 'g') + stale);
            const TProgramRun result =
                RunProgram("VALDRIX_CLI", {"-c", peer.Connection(), "--timeout", "500", "identify"}, 60s);
            if (!peer.GreetingFirst()) continue;
            counted = true;
            EXPECT_EQ(result.Status, 1) << result.Out;
            EXPECT_EQ(result.Out, "");
            EXPECT_EQ(result.Err.find("valdrix-cli: no answer from the module"), 0u) << result.Err;
        }
        EXPECT_TRUE(counted) << "the greeting never reached the client ahead of its request";
    }
}

// The gateway sends what it held the moment it accepts the connection, an old answer for
// every SIG at its end; the module answers the request that comes after.
TEST(CliStaleTraffic, IdentifyNeverTakesWhatTheGatewayHeldAtConnect)
{
    std::string stale;
    for (int sig = 0; sig < 256; ++sig) stale += BuildTarvel97Packet(0x31, uint8_t(sig), 0, "Valdrix ; v 0.9 ; STALE");
    for (const size_t backlog : {size_t(1000), size_t(66000), size_t(100000)}) {
        SCOPED_TRACE(backlog);
        const TModulePeer peer(std::string(backlog, 'g') + stale, [](const TTarvelFormat97& request, int, int) {
            return BuildTarvel97Packet(request.Adr, request.Sig, 0, "Valdrix ; v 1.0 ; REAL");
        });
        for (int run = 0; run < 20; ++run) {
            const TProgramRun result = RunProgram("VALDRIX_CLI", {"-c", peer.Connection(), "identify"}, 60s);
            EXPECT_EQ(result.Status, 0) << result.Err;
            EXPECT_EQ(result.Out, "Valdrix ; v 1.0 ; REAL\n") << "run " << run;
        }
    }
}

// What the link dropped unread at connect is in the capture, as bytes that formed no
// packet (the old answers among it too); the request and its answer are the only packets.
TEST(CliStaleTraffic, WhatTheGatewayHeldIsCapturedAsBytesThatFormedNoPacket)
{
    std::string held(100, 'g');
    for (int sig = 0; sig < 3; ++sig) held += BuildTarvel97Packet(0x31, uint8_t(sig), 0, "Valdrix ; v 0.9 ; STALE");
    const TModulePeer peer(held, [](const TTarvelFormat97& request, int, int) {
        return BuildTarvel97Packet(request.Adr, request.Sig, 0, "Valdrix ; v 1.0 ; REAL");
    });
    const TProgramRun run = RunProgram("VALDRIX_CLI", {"-c", peer.Connection(), "identify", "--capture", "-"}, 60s);
    ASSERT_EQ(run.Status, 0) << run.Err;
    char folder[] = "/tmp/valdrix-stale-XXXXXX";
    ASSERT_TRUE(::mkdtemp(folder));
    const std::string capture = std::string(folder) + "/identify.pcap";
    std::ofstream(capture, std::ios::binary) << run.Out;
    std::string unframed;
    int packets = 0;
    for (const auto& row : TsharkFields(capture, {"tarvel97.unframed", "tarvel97.role"})) {
        if (!row[0].empty()) unframed += (unframed.empty() ? "" : " ") + row[0];
        if (!row[1].empty()) ++packets;
    }
    std::filesystem::remove_all(folder);
    std::string expected = Tarvel97Hex(held);
    std::transform(expected.begin(), expected.end(), expected.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    EXPECT_EQ(unframed, expected);
    EXPECT_EQ(packets, 2);
}
