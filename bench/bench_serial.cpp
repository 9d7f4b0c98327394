// Serial port core on pseudo-terminals: CPU used by an open, idle port, and throughput
// through the core next to a plain read/write loop on the same kind of pair.
#include "bench/bench_support.h"
#include "tests/support/com_links.h"
#include "transports/serial/AfComPortCore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

struct TBenchPty {
    TBenchPty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(master);
        ::unlockpt(master);
        links.Link(1, ::ptsname(master));
    }
    ~TBenchPty() { ::close(master); }
    int master;
    TComLinks links;
};

TAfDcb Raw8N1()
{
    TAfDcb d;
    d.BaudRate = 115200;
    d.ByteSize = 8;
    d.Flags = dcb::fBinary;
    return d;
}

// Reads count bytes from the master side.
void Drain(int fd, size_t count)
{
    char buf[65536];
    while (count > 0) {
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, count));
        if (n <= 0) return;
        count -= static_cast<size_t>(n);
    }
}

void BM_IdleOpenPortCpu(benchmark::State& state)
{
    TBenchPty pty;
    TAfComPortCore core;
    core.SetDcb(Raw8N1());
    core.Open(1);
    for (auto _ : state) {
        state.counters["cpu_ms_per_s"] =
            IdleCpuMsPerSecond(std::chrono::seconds(3), [](auto time) { std::this_thread::sleep_for(time); });
    }
    core.Close();
}
BENCHMARK(BM_IdleOpenPortCpu)->Iterations(1)->Unit(benchmark::kSecond);

constexpr size_t Block = 4096;

void BM_CoreWriteThroughput(benchmark::State& state)
{
    TBenchPty pty;
    TAfComPortCore core;
    core.SetDcb(Raw8N1());
    core.SetSizes(65536, 1 << 20);
    core.Open(1);
    const std::string block(Block, 'x');
    for (auto _ : state) {
        while (!core.Write(block.data(), block.size())) std::this_thread::yield();
        Drain(pty.master, Block);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Block));
    core.Close();
}
BENCHMARK(BM_CoreWriteThroughput)->UseRealTime();

void BM_CoreReadThroughput(benchmark::State& state)
{
    TBenchPty pty;
    TAfComPortCore core;
    core.SetDcb(Raw8N1());
    core.Open(1);
    const std::string block(Block, 'y');
    char buf[Block];
    for (auto _ : state) {
        if (::write(pty.master, block.data(), block.size()) != static_cast<ssize_t>(Block)) state.SkipWithError("write");
        size_t got = 0;
        while (got < Block) {
            const size_t n = core.Read(buf, Block - got);
            if (n == 0) std::this_thread::yield();
            got += n;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Block));
    core.Close();
}
BENCHMARK(BM_CoreReadThroughput)->UseRealTime();

// The same transfer with plain read/write on the slave, no core and no threads.
void BM_PlainLoopThroughput(benchmark::State& state)
{
    TBenchPty pty;
    const int slave = ::open(::ptsname(pty.master), O_RDWR | O_NOCTTY);
    TSerialLineIo io;
    io.SetSettings(slave, Raw8N1());
    const std::string block(Block, 'z');
    for (auto _ : state) {
        size_t done = 0;
        while (done < Block) {
            const ssize_t n = ::write(slave, block.data() + done, Block - done);
            if (n > 0) done += static_cast<size_t>(n);
        }
        Drain(pty.master, Block);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Block));
    ::close(slave);
}
BENCHMARK(BM_PlainLoopThroughput)->UseRealTime();

} // namespace
