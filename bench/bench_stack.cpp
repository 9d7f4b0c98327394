// Receive processing of the protocol stack, and one request's round trip against the
// module simulator next to a raw socket round trip of the same bytes.
#include "device/uValdrix.h"
#include "framework/uci_ConnectionString.h"
#include "protocol/uTarvelStack.h"
#include "tests/support/loopback_socket.h"
#include "transports/uTransports.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

// A device that only counts what the stack hands it.
class TCountingDevice : public TTarvelStackDevice {
public:
    using TTarvelStackDevice::TTarvelStackDevice;
    void HandleAnswer(const TTarvelFormat97&) override { ++Count; }
    int64_t Count = 0;
};

std::string SmallPacketStream(size_t bytes)
{
    std::string stream;
    for (uint8_t sig = 0; stream.size() < bytes; ++sig) stream += BuildTarvel97Packet(0x31, sig, 0, "\x5A\xC3");
    return stream;
}

void BM_ReceiveProcessing(benchmark::State& state)
{
    const std::string stream = SmallPacketStream(size_t(state.range(0)));
    constexpr size_t Chunk = 1024; // a socket read's worth
    auto device = MakeObj<TCountingDevice>(uint8_t(0x31));
    for (auto _ : state) {
        auto stack = MakeObj<TTarvelStack>();
        stack->AddDevice(device);
        for (size_t at = 0; at < stream.size(); at += Chunk) stack->ProcessReceived(stream.substr(at, Chunk));
        device->SetStack(nullptr);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReceiveProcessing)->RangeMultiplier(2)->Range(16 << 10, 128 << 10)->Complexity(benchmark::oN);

// One simulator for the round-trip benchmarks, on a free loopback port.
class TSim {
public:
    static TSim& Get()
    {
        static TSim sim;
        return sim;
    }
    int Port() const { return FPort; }
    ~TSim()
    {
        if (FPid > 0) {
            kill(FPid, SIGTERM);
            waitpid(FPid, nullptr, 0);
        }
    }

private:
    TSim()
    {
        int out[2];
        if (pipe(out) != 0) return;
        FPid = fork();
        if (FPid == 0) {
            dup2(out[1], STDOUT_FILENO);
            execl(VALDRIX_SIM_PATH, VALDRIX_SIM_PATH, "--port", "0", "--static", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        char line[256] = {};
        size_t n = 0;
        while (n + 1 < sizeof line && read(out[0], line + n, 1) == 1 && line[n] != '\n') ++n;
        close(out[0]);
        if (const char* at = std::strstr(line, "tcp=127.0.0.1:")) FPort = std::atoi(at + 14);
    }
    pid_t FPid = -1;
    int FPort = 0;
};

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_stack";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const bool registered = (RegisterTransports(), true);
    (void)registered;
    return app;
}

void BM_StackRoundTrip(benchmark::State& state)
{
    App();
    IntfPtr<ICommunicationInterface> link;
    if (!CreateCommunicationInterface("provider=TCP_CLIENT;host=127.0.0.1;port=" + std::to_string(TSim::Get().Port()),
                                      link) ||
        !link->Open()) {
        state.SkipWithError("cannot connect to the simulator");
        return;
    }
    auto stack = MakeObj<TTarvelStack>();
    stack->SetCommunicationInterface(link);
    auto device = MakeObj<TValdrix>(ValdrixDefaultAddress);
    device->SetStack(stack);
    TValdrixInputBits bits;
    for (auto _ : state)
        if (!device->GetInputs(bits)) state.SkipWithError("no answer");
    device->SetStack(nullptr);
    stack->SetCommunicationInterface(nullptr);
    link->Close(false);
}
BENCHMARK(BM_StackRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RawSocketRoundTrip(benchmark::State& state)
{
    bool connected = false;
    const int s = ConnectLoopback(uint16_t(TSim::Get().Port()), connected);
    if (!connected) {
        state.SkipWithError("cannot connect to the simulator");
        close(s);
        return;
    }
    const std::string request = BuildTarvel97Packet(0x31, 0, 0x31, "");
    const size_t answerLength = 9 + 2;
    for (auto _ : state) {
        if (write(s, request.data(), request.size()) != ssize_t(request.size())) state.SkipWithError("write failed");
        char buffer[64];
        size_t got = 0;
        while (got < answerLength) {
            const ssize_t n = read(s, buffer + got, sizeof buffer - got);
            if (n <= 0) {
                state.SkipWithError("read failed");
                break;
            }
            got += size_t(n);
        }
    }
    close(s);
}
BENCHMARK(BM_RawSocketRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
