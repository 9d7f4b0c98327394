#include "tests/transports/serial/test_af_fake_line.h"
#include "tests/transports/serial/test_error_of.h"
#include "tests/transports/test_af_pty.h"
#include "tests/transports/test_error_receiver.h"
#include "transports/serial/AfComPortCore.h"

#include <gtest/gtest.h>

#include <sys/file.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

TAfDcb Dcb8N1(uint32_t baud = 115200)
{
    TAfDcb d;
    d.BaudRate = baud;
    d.ByteSize = 8;
    d.Flags = dcb::fBinary | dcb::fDtrControlEnable | dcb::fRtsControlEnable;
    d.XonChar = 17;
    d.XoffChar = 19;
    return d;
}

// Records what the event thread reports. Declared before the core, so that it outlives
// the event thread, which may report into it until the core closes.
class TEventLog {
public:
    void Attach(TAfComPortCore& core)
    {
        core.SetOnEvent([this](TAfComPortCore&, TAfCoreEvent kind, uint32_t param, std::exception_ptr) {
            std::lock_guard lock(FMutex);
            FEvents.push_back({kind, param});
        });
    }
    bool Saw(TAfCoreEvent kind, uint32_t paramBits = 0)
    {
        std::lock_guard lock(FMutex);
        for (const auto& e : FEvents)
            if (e.first == kind && (e.second & paramBits) == paramBits) return true;
        return false;
    }
    int Count(TAfCoreEvent kind)
    {
        std::lock_guard lock(FMutex);
        int n = 0;
        for (const auto& e : FEvents) n += e.first == kind;
        return n;
    }
    void Clear()
    {
        std::lock_guard lock(FMutex);
        FEvents.clear();
    }

private:
    std::mutex FMutex;
    std::vector<std::pair<TAfCoreEvent, uint32_t>> FEvents;
};

std::string ReadAll(TAfComPortCore& core, size_t count)
{
    std::string data;
    PumpUntil([&] {
        char buf[512];
        data.append(buf, core.Read(buf, sizeof buf));
        return data.size() >= count;
    });
    return data;
}

std::string Pattern(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

} // namespace

TEST(AfComPortCore, OpenRefusesBadAndMissingPorts)
{
    TComLinks dir;
    dir.Link(5, "/nonexistent/tty");
    TAfComPortCore core;
    EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { core.Open(0); }), "Invalid port number (COM0)");
    EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { core.Open(-3); }), "Invalid port number (COM-3)");
    EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { core.Open(5); }), "Invalid port number (COM5)");
    EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { core.Open(4000); }), "Invalid port number (COM4000)");
    EXPECT_FALSE(core.Active());
}

TEST(AfComPortCore, PortHeldByAnotherOpenerIsBusy)
{
    TPtyPort port(7);
    TAfComPortCore first, second;
    first.SetDcb(Dcb8N1());
    second.SetDcb(Dcb8N1());
    ASSERT_TRUE(first.Open(7));
    EXPECT_FALSE(first.Open(7)); // already active
    EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { second.Open(7); }), "Can't open device COM7");
    first.Close();
    EXPECT_TRUE(second.Open(7));
    second.Close();

    // A lock held by some other program on the same device.
    const int fd = ::open(port.Pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { second.Open(7); }), "Can't open device COM7");
    ::close(fd);
    EXPECT_TRUE(second.Open(7));
}

TEST(AfComPortCore, BytesBothWaysAtSeveralRatesAcrossReopen)
{
    TPtyPort port(3);
    TEventLog log;
    TAfComPortCore core;
    log.Attach(core);
    for (uint32_t baud : {9600u, 56000u, 115200u, 250000u}) {
        SCOPED_TRACE(baud);
        core.SetDcb(Dcb8N1(baud));
        ASSERT_TRUE(core.Open(3));
        EXPECT_EQ(core.Dcb().BaudRate, baud);
        const std::string out = Pattern(300) + std::string("\0\xFF\r\n", 4);
        ASSERT_TRUE(core.Write(out.data(), out.size()));
        EXPECT_EQ(port.Pty.Receive(out.size()), out);

        log.Clear();
        const std::string in = std::string("\x00\x11\x13\r\nin", 7) + Pattern(200);
        port.Pty.Send(in);
        EXPECT_TRUE(PumpUntil([&] { return log.Saw(TAfCoreEvent::ceLineEvent, ev::RxChar); }));
        EXPECT_EQ(ReadAll(core, in.size()), in);
        core.Close();
        EXPECT_FALSE(core.Active());
        EXPECT_FALSE(core.Write("x", 1));
    }
}

TEST(AfComPortCore, UnreadBytesAreReportedAgainAndReadInPieces)
{
    TPtyPort port(3);
    TEventLog log;
    TAfComPortCore core;
    log.Attach(core);
    core.SetDcb(Dcb8N1());
    ASSERT_TRUE(core.Open(3));
    const std::string in = Pattern(100);
    port.Pty.Send(in);
    // Nobody reads: the idle poll keeps announcing the waiting bytes.
    EXPECT_TRUE(PumpUntil([&] { return log.Count(TAfCoreEvent::ceNeedReadData) >= 2; }));
    EXPECT_EQ(core.QueryStatus().InQueue, 100u);
    std::string got;
    char buf[7];
    while (got.size() < in.size()) {
        const size_t n = core.Read(buf, sizeof buf);
        ASSERT_GT(n, 0u);
        got.append(buf, n);
    }
    EXPECT_EQ(got, in);
    EXPECT_EQ(core.Read(buf, sizeof buf), 0u);

    // After the queue ran empty, the next character is an event again.
    log.Clear();
    port.Pty.Send("z");
    EXPECT_TRUE(PumpUntil([&] { return log.Saw(TAfCoreEvent::ceLineEvent, ev::RxChar); }));
}

TEST(AfComPortCore, LargeTransferThroughSmallRingArrivesWholeAndReportsOutFree)
{
    TPtyPort port(3);
    TEventLog log;
    TAfComPortCore core;
    log.Attach(core);
    core.SetDcb(Dcb8N1());
    core.SetSizes(4096, 1000);
    ASSERT_TRUE(core.Open(3));
    const std::string out = Pattern(200000);
    std::string received;
    size_t sent = 0;
    while (received.size() < out.size()) {
        size_t chunk;
        while ((chunk = std::min<size_t>(333, out.size() - sent)) > 0 && core.OutFree() >= chunk) {
            ASSERT_TRUE(core.Write(out.data() + sent, chunk));
            sent += chunk;
        }
        const std::string part = port.Pty.ReceiveSome(5000);
        ASSERT_FALSE(part.empty()) << "transfer stalled at " << received.size();
        received += part;
    }
    EXPECT_TRUE(received == out) << "corrupted or duplicated data";
    EXPECT_FALSE(core.Write(out.data(), 1001)); // larger than the ring
    EXPECT_TRUE(PumpUntil([&] { return log.Saw(TAfCoreEvent::ceOutFree); }));
}

// Line I/O whose first write lingers after the bytes have gone to the line, as a
// write thread preempted right after the system call would.
class TLingeringWriteIo : public TSerialLineIo {
public:
    ssize_t Write(int fd, const void* data, size_t count) override
    {
        const ssize_t n = TSerialLineIo::Write(fd, data, count);
        if (!FLingered.exchange(true)) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return n;
    }

private:
    std::atomic<bool> FLingered{false};
};

TEST(AfComPortCore, BytesThePeerReceivedNoLongerCountAsQueued)
{
    TPtyPort port(3);
    TAfComPortCore core(std::make_shared<TLingeringWriteIo>());
    core.SetDcb(Dcb8N1());
    core.SetSizes(4096, 1000);
    ASSERT_TRUE(core.Open(3));
    ASSERT_TRUE(core.Write("0123456789", 10));
    ASSERT_EQ(port.Pty.Receive(10), "0123456789");
    // An owner that waits for the peer before queueing more relies on this.
    EXPECT_EQ(core.OutFree(), 1000u);
}

TEST(AfComPortCore, PurgesDiscardQueuedInputAndOutput)
{
    TPtyPort port(3);
    TAfComPortCore core;
    core.SetDcb(Dcb8N1());
    core.SetSizes(4096, 100000);
    ASSERT_TRUE(core.Open(3));
    port.Pty.Send("discard me");
    ASSERT_TRUE(PumpUntil([&] { return core.QueryStatus().InQueue == 10; }));
    EXPECT_TRUE(core.PurgeInput());
    EXPECT_EQ(core.QueryStatus().InQueue, 0u);

    // The master does not read, so the line fills up and the rest stays in the ring.
    const std::string block = Pattern(100000);
    ASSERT_TRUE(core.Write(block.data(), block.size()));
    ASSERT_TRUE(PumpUntil([&] { return core.OutFree() > 0; }));
    EXPECT_LT(core.OutFree(), 100000u);
    EXPECT_TRUE(core.PurgeOutput());
    EXPECT_EQ(core.OutFree(), 100000u);
    // The port still works after the purges.
    (void)port.Pty.Receive(1000000, 100);
    ASSERT_TRUE(core.Write("after", 5));
    EXPECT_EQ(port.Pty.Receive(5), "after");
}

TEST(AfComPortCore, RefusedSettingsKeepWhatTheLineReports)
{
    TPtyPort port(3);
    TAfComPortCore core;
    TAfDcb wanted = Dcb8N1(19200);
    wanted.ByteSize = 7;
    wanted.Parity = 2;
    core.SetDcb(wanted);
    // Pseudo-terminals keep 8 data bits and no parity: the open fails and leaves the port closed.
    EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { core.Open(3); }),
              "Error setting parameters from DCB: the line keeps 8 data bits instead of 7, parity None instead of Even");
    EXPECT_FALSE(core.Active());
    EXPECT_EQ(core.Dcb().ByteSize, 8);
    EXPECT_EQ(core.Dcb().Parity, 0);

    core.SetDcb(Dcb8N1(19200));
    ASSERT_TRUE(core.Open(3));
    TAfDcb mark = Dcb8N1(38400);
    mark.Parity = 3;
    EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { core.SetDcb(mark); }),
              "Error setting parameters from DCB: the line keeps parity None instead of Mark");
    EXPECT_EQ(core.Dcb().Parity, 0);
    EXPECT_TRUE(core.Active());
    TAfDcb twoStop = Dcb8N1(38400);
    twoStop.StopBits = 2;
    core.SetDcb(twoStop); // stop bits and rate are taken
    EXPECT_EQ(core.Dcb(), twoStop);
}

// A format no serial line has is refused for what it is, not as settings the line kept.
TEST(AfComPortCore, FormatsNoLineHasAreRefusedForWhatTheyAre)
{
    TPtyPort port(3);
    struct TCase {
        uint8_t DataBits, StopBits;
        const char* Reason;
    };
    const TCase cases[] = {
        {8, 1, "1.5 stop bits exist only with 5 data bits, not with 8"},
        {6, 1, "1.5 stop bits exist only with 5 data bits, not with 6"},
        {5, 2, "2 stop bits do not exist with 5 data bits (1.5 do)"},
        {4, 0, "4 data bits do not exist on a serial line (5 to 8 do)"},
    };
    for (const TCase& c : cases) {
        TAfComPortCore core;
        TAfDcb dcb = Dcb8N1(9600);
        dcb.ByteSize = c.DataBits;
        dcb.StopBits = c.StopBits;
        core.SetDcb(dcb);
        EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { core.Open(3); }), std::string("Error setting parameters from DCB: ") + c.Reason);
        EXPECT_FALSE(core.Active()) << c.Reason;
    }
}

TEST(AfComPortCore, ARateTheLineReachesWithinThreePercentIsTaken)
{
    struct TCase {
        uint32_t Asked, Reached;
        const char* Error; // null: the open succeeds
    };
    const TCase cases[] = {
        {14400, 14406, nullptr},
        {115200, 118400, nullptr},
        {14400, 9600, "Error setting parameters from DCB: the line keeps 9600 Bd instead of 14400 Bd"},
        {115200, 111000, "Error setting parameters from DCB: the line keeps 111000 Bd instead of 115200 Bd"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Reached);
        TPtyPort port(3);
        TAfComPortCore core(std::make_shared<TRoundingLineIo>(c.Reached));
        core.SetDcb(Dcb8N1(c.Asked));
        if (c.Error) {
            EXPECT_EQ(ErrorOf<EAfComPortCoreError>([&] { core.Open(3); }), c.Error);
            EXPECT_FALSE(core.Active());
            continue;
        }
        ASSERT_TRUE(core.Open(3));
        EXPECT_EQ(core.Dcb().BaudRate, c.Asked);
    }
}

TEST(AfComPortCore, OtherEndClosingEndsTheEventThreadOnce)
{
    TPtyPort port(3);
    TEventLog log;
    TAfComPortCore core;
    log.Attach(core);
    core.SetDcb(Dcb8N1());
    ASSERT_TRUE(core.Open(3));
    port.Pty.CloseMaster();
    EXPECT_TRUE(PumpUntil([&] { return log.Saw(TAfCoreEvent::ceLineClosed); }));
    EXPECT_FALSE(core.Write("x", 1));
    EXPECT_EQ(core.QueryStatus().InQueue, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(log.Count(TAfCoreEvent::ceLineClosed), 1);
    core.Close();
    EXPECT_FALSE(core.Active());
}

TEST(AfComPortCore, CloseFinishesWhileTheEventThreadIsBusyWithTheCore)
{
    TPtyPort port(3);
    TAfComPortCore core;
    std::atomic<int> calls{0};
    // The callback keeps using the core's status lock, as an owner reading the queue does.
    core.SetOnEvent([&](TAfComPortCore& c, TAfCoreEvent, uint32_t, std::exception_ptr) {
        ++calls;
        for (int i = 0; i < 20; ++i) {
            c.QueryStatus();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    core.SetDcb(Dcb8N1());
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(core.Open(3));
        port.Pty.Send("unread");
        ASSERT_TRUE(PumpUntil([&] { return calls > round; }));
        core.Close();
        core.SetDcb(Dcb8N1());
    }
    EXPECT_FALSE(core.Active());
}

TEST(AfComPortCore, CloseOnAnotherThreadEndsAnInputWait)
{
    TPtyPort port(3);
    TAfComPortCore core;
    core.SetDcb(Dcb8N1());
    ASSERT_TRUE(core.Open(3));
    std::atomic<bool> lineUp{true};
    const auto start = std::chrono::steady_clock::now();
    std::thread waiter([&] { lineUp = core.WaitForInput(5000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    core.Close();
    waiter.join();
    EXPECT_FALSE(lineUp);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5000));
}

TEST(AfComPortCore, ExceptionInTheCallbackIsHandedBackAsEvent)
{
    TPtyPort port(3);
    TAfComPortCore core;
    std::mutex m;
    std::string message;
    core.SetOnEvent([&](TAfComPortCore&, TAfCoreEvent kind, uint32_t, std::exception_ptr error) {
        if (kind != TAfCoreEvent::ceException) throw std::runtime_error("handler failed");
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            std::lock_guard lock(m);
            message = e.what();
        }
    });
    core.SetDcb(Dcb8N1());
    ASSERT_TRUE(core.Open(3));
    port.Pty.Send("x");
    EXPECT_TRUE(PumpUntil([&] {
        std::lock_guard lock(m);
        return message == "handler failed";
    }));
}

TEST(AfComPortCore, AnExceptionNobodyTakesReachesTheErrorReceiverOnTheMainThread)
{
    TPtyPort port(3);
    TErrorReceiverRecord errors;
    TAfComPortCore core;
    core.SetOnEvent([](TAfComPortCore&, TAfCoreEvent kind, uint32_t, std::exception_ptr) {
        throw std::runtime_error(kind == TAfCoreEvent::ceException ? "second" : "first");
    });
    core.SetDcb(Dcb8N1());
    ASSERT_TRUE(core.Open(3));
    port.Pty.Send("x");
    ASSERT_TRUE(PumpUntil([&] { return !errors.Messages().empty(); }));
    core.Close();
    EXPECT_EQ(errors.Messages().front(), "first");
    EXPECT_FALSE(errors.OffMain());
}

TEST(AfComPortCore, ModemLinesAndLineErrorsThroughTheLineCalls)
{
    TPtyPort port(3);
    auto io = std::make_shared<TFakeModemLineIo>();
    TEventLog log;
    TAfComPortCore core(io);
    log.Attach(core);
    TAfDcb d = Dcb8N1();
    d.Flags &= ~dcb::fRtsControlEnable;
    core.SetDcb(d);
    ASSERT_TRUE(core.Open(3));
    EXPECT_EQ(io->Dtr, 1);
    EXPECT_EQ(io->Rts, 0);
    EXPECT_TRUE(core.SetModemLine(TModemLine::Rts, true));
    EXPECT_EQ(io->Rts, 1);

    io->Status = modem::Cts | modem::Rlsd;
    EXPECT_EQ(core.ModemStatus(), modem::Cts | modem::Rlsd);
    io->Change([](TSerialLineCounters& c) { ++c.Cts; ++c.Dcd; });
    EXPECT_TRUE(PumpUntil([&] { return log.Saw(TAfCoreEvent::ceLineEvent, ev::Cts | ev::Rlsd); }));
    io->Change([](TSerialLineCounters& c) { ++c.Dsr; ++c.Ring; });
    EXPECT_TRUE(PumpUntil([&] { return log.Saw(TAfCoreEvent::ceLineEvent, ev::Dsr | ev::Ring); }));
    EXPECT_FALSE(log.Saw(TAfCoreEvent::ceLineEvent, ev::Err));

    io->Change([](TSerialLineCounters& c) { ++c.Frame; });
    EXPECT_TRUE(PumpUntil([&] { return log.Saw(TAfCoreEvent::ceLineEvent, ev::Err); }));
    EXPECT_EQ(core.TakeErrors(), ce::Frame); // the event thread has taken the error into the core
    EXPECT_EQ(core.TakeErrors(), 0u);
    log.Clear();
    io->Change([](TSerialLineCounters& c) { ++c.Break; }); // a break alone is no line-error event
    core.QueryStatus();
    EXPECT_EQ(core.TakeErrors(), ce::Break);

    io->Change([](TSerialLineCounters& c) { ++c.Overrun; });
    core.QueryStatus();
    io->Change([](TSerialLineCounters& c) { ++c.Frame; });
    core.QueryStatus();
    EXPECT_EQ(core.TakeErrors(), ce::Overrun | ce::Frame); // accumulated over queries
    EXPECT_EQ(core.TakeErrors(), 0u);
}
