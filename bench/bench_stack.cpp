// Receive processing of the protocol stack next to a plain byte-sum pass over the same
// bytes, and one request's round trip through the stack against the module simulator
// next to the raw round trip of the same bytes over the same kind of link: a loopback
// TCP connection and a pseudo-terminal pair.
#include "bench/bench_app.h"
#include "bench/bench_support.h"
#include "device/uValdrix.h"
#include "protocol/uModuleLink.h"
#include "protocol/uTarvelStack.h"
#include "tests/support/child_processes.h"
#include "tests/support/com_links.h"
#include "tests/support/loopback_socket.h"
#include "transports/uTransports.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <utility>

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

constexpr size_t ReceiveChunk = 1024; // a socket read's worth

void BM_ReceiveProcessing(benchmark::State& state)
{
    const std::string stream = SmallPacketStream(size_t(state.range(0)));
    auto device = MakeObj<TCountingDevice>(uint8_t(0x31));
    for (auto _ : state) {
        auto stack = MakeObj<TTarvelStack>();
        stack->AddDevice(device);
        for (size_t at = 0; at < stream.size(); at += ReceiveChunk)
            stack->ProcessReceived(stream.substr(at, ReceiveChunk));
        device->SetStack(nullptr);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReceiveProcessing)->RangeMultiplier(2)->Range(16 << 10, 128 << 10)->Complexity(benchmark::oN);

// The floor of receive processing: every byte of the same stream, in the same chunks,
// looked at once.
void BM_ReceiveByteSum(benchmark::State& state)
{
    const std::string stream = SmallPacketStream(size_t(state.range(0)));
    for (auto _ : state) {
        unsigned sum = 0;
        for (size_t at = 0; at < stream.size(); at += ReceiveChunk)
            for (const char c : stream.substr(at, ReceiveChunk)) sum += uint8_t(c);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
}
BENCHMARK(BM_ReceiveByteSum)->Arg(128 << 10);

// One simulator for the round trips, serving its main link on a free loopback port and
// on a pseudo-terminal published as COM1 in a private folder.
class TBenchSim {
public:
    static TBenchSim& Get()
    {
        static TBenchSim sim;
        return sim;
    }
    int Port() const { return FSim->Port(); }
    std::string PtyPath() const { return FLinks.Port(1); }

private:
    TBenchSim()
    {
        UseBuiltPrograms();
        FSim = std::make_unique<TSimulator>(std::vector<std::string>{"--pty", PtyPath()});
    }
    TComLinks FLinks;
    std::unique_ptr<TSimulator> FSim; // ends before its folder goes
};

enum class TLink { Tcp, Pty };

void StackRoundTrip(benchmark::State& state, TLink kind)
{
    BenchApp();
    static const bool registered = (RegisterTransports(), true);
    (void)registered;
    const std::string connection =
        kind == TLink::Tcp ? "provider=TCP_CLIENT;host=127.0.0.1;port=" + std::to_string(TBenchSim::Get().Port())
                           : "provider=SERIAL_PORT;comport=1;baudrate=115200";
    auto device = MakeObj<TValdrix>(ValdrixDefaultAddress);
    TModuleLink link;
    link.Attach(device);
    std::string error;
    if (link.Open(connection, error) != TLinkOpen::Opened) {
        state.SkipWithError("cannot connect to the simulator");
        return;
    }
    TValdrixInputBits bits;
    for (auto _ : state)
        if (!device->GetInputs(bits)) state.SkipWithError("no answer");
}
BENCHMARK_CAPTURE(StackRoundTrip, tcp, TLink::Tcp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(StackRoundTrip, pty, TLink::Pty)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same request (read the inputs) written and its 11-byte answer read back with
// plain system calls.
void RawRoundTrip(benchmark::State& state, TLink kind)
{
    int fd = -1;
    if (kind == TLink::Tcp) {
        bool connected = false;
        fd = ConnectLoopback(uint16_t(TBenchSim::Get().Port()), connected);
        if (!connected) ::close(std::exchange(fd, -1));
    } else {
        fd = ::open(TBenchSim::Get().PtyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        if (fd >= 0 && ::tcgetattr(fd, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(fd, TCSANOW, &raw);
        }
    }
    if (fd < 0) {
        state.SkipWithError("cannot connect to the simulator");
        return;
    }
    const std::string request = BuildTarvel97Packet(ValdrixDefaultAddress, 0, 0x31, "");
    const size_t answerLength = 9 + 2;
    for (auto _ : state) {
        if (::write(fd, request.data(), request.size()) != ssize_t(request.size())) state.SkipWithError("write failed");
        char buffer[64];
        size_t got = 0;
        while (got < answerLength) {
            const ssize_t n = ::read(fd, buffer + got, sizeof buffer - got);
            if (n <= 0) {
                state.SkipWithError("read failed");
                break;
            }
            got += size_t(n);
        }
    }
    ::close(fd);
}
BENCHMARK_CAPTURE(RawRoundTrip, tcp, TLink::Tcp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(RawRoundTrip, pty, TLink::Pty)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
