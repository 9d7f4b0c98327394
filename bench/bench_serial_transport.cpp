// The serial transport on a pseudo-terminal: the round trip of a 10-byte request
// through Transaction against an echoing far end, and how long bytes written by the far
// end take to reach the data-received notification on the main thread.
#include "bench/bench_app.h"
#include "framework/uTimeoutManager.h"
#include "tests/support/com_links.h"
#include "transports/serial/uci_ISerialPortInterface.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// A pseudo-terminal linked as COM1 in a private directory; with echo on, a thread sends
// every byte back.
class TBenchLine {
public:
    explicit TBenchLine(bool echo)
    {
        FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(FMaster);
        ::unlockpt(FMaster);
        FLinks.Link(1, ::ptsname(FMaster));
        if (echo) FEcho = std::thread([this] { Echo(); });
    }
    ~TBenchLine()
    {
        FStop = true;
        if (FEcho.joinable()) FEcho.join();
        ::close(FMaster);
    }
    int Master() const { return FMaster; }

private:
    void Echo()
    {
        char buffer[256];
        while (!FStop) {
            pollfd p{FMaster, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0 || !(p.revents & POLLIN)) continue;
            const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
            if (n > 0 && ::write(FMaster, buffer, size_t(n)) != n) return;
        }
    }

    int FMaster = -1;
    TComLinks FLinks;
    std::atomic<bool> FStop{false};
    std::thread FEcho;
};

struct TReceiveCounter {
    void OnData(ICommunicationInterface* sender)
    {
        std::string bytes;
        sender->Receive(bytes);
        Count += bytes.size();
    }
    size_t Count = 0;
};

uint16_t TenBytes(std::string_view answer) { return answer.size() >= 10 ? 0 : 1; }

IntfPtr<TSerialPortInterface> OpenPort()
{
    IntfPtr<TSerialPortInterface> port = MakeObj<TSerialPortInterface>();
    port->SetConfiguration("comport=1;baudrate=115200;active=1");
    return port;
}

void BM_SerialTransactionRoundTrip(benchmark::State& state)
{
    BenchApp();
    TBenchLine line(true);
    IntfPtr<TSerialPortInterface> port = OpenPort();
    if (!port->IsOpen()) {
        state.SkipWithError("the pseudo-terminal did not open");
        return;
    }
    std::string answer;
    for (auto _ : state) {
        port->Transaction("0123456789", 100, 50, 200, true, false, &TenBytes, "", answer);
        if (answer.size() != 10) state.SkipWithError("echo incomplete");
    }
}
BENCHMARK(BM_SerialTransactionRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SerialDataReceivedLatency(benchmark::State& state)
{
    BenchApp();
    TBenchLine line(false);
    IntfPtr<TSerialPortInterface> port = OpenPort();
    if (!port->IsOpen()) {
        state.SkipWithError("the pseudo-terminal did not open");
        return;
    }
    TReceiveCounter counter;
    port->SetOnDataRcv(TCiNotifyEvent::Bind<&TReceiveCounter::OnData>(&counter));
    const std::string block(64, 'x');
    for (auto _ : state) {
        const size_t expected = counter.Count + block.size();
        if (::write(line.Master(), block.data(), block.size()) != ssize_t(block.size())) break;
        TTimeoutRecord limit(2000);
        while (counter.Count < expected && !limit.Expired()) QCoreApplication::processEvents();
        if (counter.Count < expected) state.SkipWithError("no data notification within 2 s");
    }
    port->SetOnDataRcv({});
}
BENCHMARK(BM_SerialDataReceivedLatency)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
