// Timing of Transaction against a loopback TCP peer: how long a request/answer takes
// when the answer comes at once, when it comes in two pieces, and how closely the
// first-byte, gap and overall windows are kept when the peer is silent or floods; and
// the CPU an open, idle TCP link costs the event loop.
#include "bench/bench_app.h"
#include "bench/bench_support.h"
#include "framework/uTimeoutManager.h"
#include "tests/support/loopback_socket.h"
#include "transports/tcp/uci_ITCPClientInterface.h"
#include "transports/uTransports.h"

#include <QTimer>

#include <atomic>
#include <benchmark/benchmark.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

enum class TPeerMode { Echo, SplitEcho, Silent, Flood };

// A peer thread on 127.0.0.1 that answers each request according to its mode.
class TBenchPeer {
public:
    explicit TBenchPeer(TPeerMode mode) : FMode(mode)
    {
        FListen = BindLoopback(FPort, 1);
        FThread = std::thread([this] { Serve(); });
    }
    ~TBenchPeer()
    {
        FStop = true;
        shutdown(FListen, SHUT_RDWR);
        if (FConn >= 0) shutdown(FConn, SHUT_RDWR);
        FThread.join();
        if (FConn >= 0) close(FConn);
        close(FListen);
    }
    uint16_t Port() const { return FPort; }

private:
    void Serve()
    {
        FConn = accept(FListen, nullptr, nullptr);
        if (FConn < 0) return;
        const int noDelay = 1;
        setsockopt(FConn, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
        char buffer[256];
        while (!FStop) {
            if (FMode == TPeerMode::Flood) {
                send(FConn, buffer, sizeof(buffer), MSG_NOSIGNAL | MSG_DONTWAIT);
                Sleep(1);
                continue;
            }
            const ssize_t n = recv(FConn, buffer, sizeof(buffer), 0);
            if (n <= 0) return;
            if (FMode == TPeerMode::Silent) continue;
            if (FMode == TPeerMode::SplitEcho) {
                send(FConn, buffer, 1, MSG_NOSIGNAL);
                Sleep(5);
                send(FConn, buffer + 1, size_t(n - 1), MSG_NOSIGNAL);
            } else {
                send(FConn, buffer, size_t(n), MSG_NOSIGNAL);
            }
        }
    }

    TPeerMode FMode;
    int FListen = -1;
    int FConn = -1;
    uint16_t FPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// Complete once the 10-byte echo is back.
uint16_t TenBytes(std::string_view answer) { return answer.size() >= 10 ? 0 : 1; }

void RunTransactions(benchmark::State& state, TPeerMode mode, uint32_t first, uint32_t gap, uint32_t total,
                     TCiAnswerCheck check)
{
    BenchApp();
    RegisterTransports();
    {
        TBenchPeer peer(mode);
        auto tcp = MakeObj<TTCPClientInterface>();
        tcp->SetConfiguration("host=127.0.0.1;port=" + std::to_string(peer.Port()));
        if (!tcp->Open()) {
            state.SkipWithError("cannot connect to the loopback peer");
            return;
        }
        const std::string request = "0123456789";
        std::string answer;
        size_t bytes = 0;
        for (auto _ : state) {
            tcp->Transaction(request, first, gap, total, true, false, check, "", answer);
            bytes += answer.size();
        }
        state.counters["answer_bytes"] = benchmark::Counter(double(bytes) / double(state.iterations()));
        tcp->Close(true);
    }
    UnregisterTransports();
}

// Answer at once: the round trip plus the 1 ms polling step.
void BM_TransactionEcho(benchmark::State& state) { RunTransactions(state, TPeerMode::Echo, 1000, 50, 2000, &TenBytes); }
// Answer in two pieces 5 ms apart: collected into one answer.
void BM_TransactionSplitAnswer(benchmark::State& state)
{
    RunTransactions(state, TPeerMode::SplitEcho, 1000, 50, 2000, &TenBytes);
}
// No answer: ends after (10 + 5) byte times + the 100 ms first-byte window.
void BM_TransactionFirstByteWindow(benchmark::State& state)
{
    RunTransactions(state, TPeerMode::Silent, 100, 50, 1000, nullptr);
}
// Echo without an answer check: ends one 20 ms gap after the last byte.
void BM_TransactionGapWindow(benchmark::State& state) { RunTransactions(state, TPeerMode::Echo, 1000, 20, 2000, nullptr); }
// A flooding peer: ends at (10 + 5) byte times + the 100 ms overall window.
void BM_TransactionOverallWindow(benchmark::State& state)
{
    RunTransactions(state, TPeerMode::Flood, 50, 50, 100, nullptr);
}

// CPU of the process while its event loop idles, with nothing open (the floor of every
// idle link) or with a TCP link open to a silent peer.
void IdleEventLoopCpu(benchmark::State& state, bool withLink)
{
    BenchApp();
    RegisterTransports();
    {
        TBenchPeer peer(TPeerMode::Silent);
        auto tcp = MakeObj<TTCPClientInterface>();
        tcp->SetConfiguration("host=127.0.0.1;port=" + std::to_string(peer.Port()));
        if (withLink && !tcp->Open()) state.SkipWithError("cannot connect to the loopback peer");
        for (auto _ : state)
            state.counters["cpu_ms_per_s"] = IdleCpuMsPerSecond(std::chrono::seconds(3), [](auto time) {
                QTimer::singleShot(time, Qt::PreciseTimer, &BenchApp(), &QCoreApplication::quit);
                QCoreApplication::exec();
            });
        tcp->Close(true);
    }
    UnregisterTransports();
}

} // namespace

BENCHMARK_CAPTURE(IdleEventLoopCpu, no_link, false)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(IdleEventLoopCpu, tcp_link, true)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_TransactionEcho)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TransactionSplitAnswer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TransactionFirstByteWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_TransactionGapWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_TransactionOverallWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
