#include "tests/transports/serial/test_af_fake_line.h"
#include "tests/transports/serial/test_error_of.h"
#include "tests/transports/test_af_pty.h"
#include "tests/transports/test_error_receiver.h"
#include "transports/serial/AfComPort.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Counts the component's notifications and checks they all come on the main thread.
struct TListener {
    explicit TListener(TAfComPort& port)
    {
        auto note = [this](std::atomic<int>& counter) {
            return [this, &counter](TAfComPort&) {
                offMain = offMain || std::this_thread::get_id() != main;
                ++counter;
            };
        };
        port.OnCTSChanged = note(cts);
        port.OnDSRChanged = note(dsr);
        port.OnRINGDetected = note(ring);
        port.OnRLSDChanged = note(rlsd);
        port.OnOutBufFree = note(outFree);
        port.OnPortOpen = note(opened);
        port.OnPortClose = note(closed);
        port.OnDataRecived = [this](TAfComPort& p, uint32_t) {
            offMain = offMain || std::this_thread::get_id() != main;
            received += p.ReadString();
        };
        port.OnLineError = [this](TAfComPort&, uint32_t e) { errors |= e; };
    }
    std::thread::id main = std::this_thread::get_id();
    std::atomic<bool> offMain{false};
    std::atomic<int> cts{0}, dsr{0}, ring{0}, rlsd{0}, outFree{0}, opened{0}, closed{0};
    std::atomic<uint32_t> errors{0};
    std::string received;
};

} // namespace

TEST(AfComPort, DefaultsAndTheSettingsRecordBuiltFromThem)
{
    TAfComPort port("Port1");
    EXPECT_EQ(port.BaudRate(), TAfBaudrate::br115200);
    EXPECT_EQ(port.ComNumber(), 0);
    EXPECT_EQ(port.InBufSize(), 4096);
    EXPECT_EQ(port.OutBufSize(), 2048);
    EXPECT_EQ(port.WriteThreadPriority(), TThreadPriority::tpHighest);
    const TAfDcb& d = port.Dcb();
    EXPECT_EQ(d.DCBlength, 28u);
    EXPECT_EQ(d.BaudRate, 115200u);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Flags, dcb::fBinary | dcb::fDtrControlEnable | dcb::fRtsControlEnable);
    EXPECT_EQ(d.XonChar, 17);
    EXPECT_EQ(d.XoffChar, 19);

    port.SetUserBaudRate(250000);
    EXPECT_EQ(port.BaudRate(), TAfBaudrate::brUser);
    EXPECT_EQ(port.Dcb().BaudRate, 250000u);
    port.SetBaudRate(TAfBaudrate::br14400);
    EXPECT_EQ(port.UserBaudRate(), 0u);
    EXPECT_EQ(port.Dcb().BaudRate, 14400u);

    port.SetFlowControl(TAfFlowControl::fwRtsCts);
    EXPECT_EQ(port.XOnLim(), 1024);
    EXPECT_EQ(port.XOffLim(), 3072);
    EXPECT_EQ(port.Dcb().Flags, dcb::fBinary | dcb::fOutxCtsFlow | dcb::fRtsControlHandshake | dcb::fDtrControlEnable);
    port.SetFlowControl(TAfFlowControl::fwDtrDsr);
    EXPECT_EQ(port.Dcb().Flags, dcb::fBinary | dcb::fOutxDsrFlow | dcb::fDtrControlHandshake | dcb::fRtsControlEnable);
    port.SetXOnLim(100);
    EXPECT_EQ(port.XOffLim(), 3996);
    port.SetInBufSize(70000);
    EXPECT_EQ(port.XOnLim(), 17500);
    EXPECT_EQ(port.XOffLim(), static_cast<uint16_t>(52500));
    port.SetFlowControl(TAfFlowControl::fwNone);
    EXPECT_EQ(port.XOnLim(), 0);
    port.SetOptions(AfComOption(TAfComOption::coParityCheck) | AfComOption(TAfComOption::coStripNull));
    port.SetParity(TAfParity::paMark);
    port.SetStopbits(TAfStopbits::sbTwo);
    port.SetDatabits(TAfDatabits::db5);
    EXPECT_EQ(port.Dcb().Flags & (dcb::fParity | dcb::fNull), dcb::fParity | dcb::fNull);
    EXPECT_EQ(port.Dcb().Parity, 3);
    EXPECT_EQ(port.Dcb().StopBits, 2);
    EXPECT_EQ(port.Dcb().ByteSize, 5);
}

TEST(AfComPort, SettingsRecordTakenBackIntoProperties)
{
    TAfComPort port("P");
    TAfDcb d = port.Dcb();
    d.BaudRate = 57600;
    d.ByteSize = 7;
    d.Parity = 2;
    d.StopBits = 1;
    d.Flags = dcb::fBinary | dcb::fOutX | dcb::fInX | dcb::fErrorChar;
    port.SetDcb(d);
    EXPECT_EQ(port.BaudRate(), TAfBaudrate::br57600);
    EXPECT_EQ(port.Databits(), TAfDatabits::db7);
    EXPECT_EQ(port.Parity(), TAfParity::paEven);
    EXPECT_EQ(port.Stopbits(), TAfStopbits::sbOneAndHalf);
    EXPECT_EQ(port.FlowControl(), TAfFlowControl::fwXOnXOff);
    EXPECT_EQ(port.Options(), AfComOption(TAfComOption::coErrorChar));
    d.BaudRate = 12345;
    d.ByteSize = 9;
    port.SetDcb(d);
    EXPECT_EQ(port.BaudRate(), TAfBaudrate::brUser);
    EXPECT_EQ(port.UserBaudRate(), 12345u);
    EXPECT_EQ(port.Databits(), TAfDatabits::db8);
    d.DCBlength = 27;
    EXPECT_EQ(ErrorOf<EAfComPortError>([&] { port.SetDcb(d); }), "Error setting parameters from DCB - P ");
}

TEST(AfComPort, OpenCloseAndErrorsCarryTheComponentName)
{
    TPtyPort pty(4);
    TAfComPort port("Port1");
    TListener events(port);
    EXPECT_EQ(ErrorOf<EAfComPortError>([&] { port.Open(); }), "Invalid port number (COM0) - Port1 ");
    EXPECT_EQ(ErrorOf<EAfComPortError>([&] { port.WriteString("abc"); }), "Write data error [requested: 3, free: 0] - Port1 ");
    port.SetComNumber(4);
    port.SetOutBufSize(16);
    port.Open();
    EXPECT_TRUE(port.Active());
    EXPECT_EQ(events.opened, 1);
    EXPECT_EQ(ErrorOf<EAfComPortError>([&] { port.SetOutBufSize(32); }), "Port is not closed - Port1 ");
    EXPECT_EQ(ErrorOf<EAfComPortError>([&] { port.SetInBufSize(32); }), "Port is not closed - Port1 ");
    EXPECT_EQ(ErrorOf<EAfComPortError>([&] { port.Write(std::string(17, 'x').data(), 17); }),
              "Write data error [requested: 17, free: 16] - Port1 ");
    char buf[4];
    EXPECT_EQ(ErrorOf<EAfComPortError>([&] { port.Read(buf, 4); }), "Read data error - Port1 ");
    port.Close();
    EXPECT_FALSE(port.Active());
    EXPECT_EQ(events.closed, 1);
    port.Open();
    EXPECT_TRUE(port.Active());
}

TEST(AfComPort, DataAndOutFreeArriveOnTheMainThread)
{
    TPtyPort pty(4);
    TAfComPort port("P");
    TListener events(port);
    port.SetComNumber(4);
    port.Open();
    port.WriteString(std::string("hello\0world", 11));
    EXPECT_EQ(pty.Pty.Receive(11), std::string("hello\0world", 11));
    EXPECT_TRUE(PumpUntil([&] { return events.outFree > 0; }));
    pty.Pty.Send(std::string("\x01\x00\xFE reply", 9));
    EXPECT_TRUE(PumpUntil([&] { return events.received.size() >= 9; }));
    EXPECT_EQ(events.received, std::string("\x01\x00\xFE reply", 9));
    EXPECT_FALSE(events.offMain);
    EXPECT_EQ(port.InCount(), 0u);
}

TEST(AfComPort, NonSyncEventsStayOnTheEventThread)
{
    TPtyPort pty(4);
    std::atomic<bool> onEventThread{false}; // outlive the port: its event thread runs until it closes
    const auto main = std::this_thread::get_id();
    TAfComPort port("P");
    port.OnNonSyncEvent = [&](TAfComPort&, TAfCoreEvent kind, uint32_t) {
        if (kind == TAfCoreEvent::ceLineEvent) onEventThread = std::this_thread::get_id() != main;
    };
    port.SetComNumber(4);
    port.Open();
    pty.Pty.Send("x");
    EXPECT_TRUE(PumpUntil([&] { return onEventThread.load(); }));
}

TEST(AfComPort, ExceptionOnTheEventThreadReachesTheErrorReceiverOnTheMainThread)
{
    TPtyPort pty(4);
    TErrorReceiverRecord errors;
    TAfComPort port("P");
    port.OnNonSyncEvent = [](TAfComPort&, TAfCoreEvent, uint32_t) { throw std::runtime_error("handler failed"); };
    port.SetComNumber(4);
    port.Open();
    pty.Pty.Send("x");
    ASSERT_TRUE(PumpUntil([&] { return !errors.Messages().empty(); }));
    EXPECT_EQ(errors.Messages().front(), "handler failed");
    EXPECT_FALSE(errors.OffMain());
}

TEST(AfComPort, ChangingTheNumberReopensAndAFailedReopenLeavesItClosed)
{
    TComLinks dir;
    TPty a, b;
    dir.Link(1, a.SlavePath());
    dir.Link(2, b.SlavePath());
    TAfComPort port("P");
    port.SetComNumber(1);
    port.Open();
    port.SetComNumber(2);
    EXPECT_TRUE(port.Active());
    port.WriteString("to b");
    EXPECT_EQ(b.Receive(4), "to b");
    EXPECT_EQ(ErrorOf<EAfComPortError>([&] { port.SetComNumber(9); }), "Invalid port number (COM9) - P ");
    EXPECT_FALSE(port.Active());
    EXPECT_EQ(port.ComNumber(), 9);
}

TEST(AfComPort, RefusedSettingWhileOpenLeavesWhatTheLineReports)
{
    TPtyPort pty(4);
    TAfComPort port("P");
    port.SetComNumber(4);
    port.Open();
    EXPECT_EQ(ErrorOf<EAfComPortError>([&] { port.SetDatabits(TAfDatabits::db7); }),
              "Error setting parameters from DCB: the line keeps 8 data bits instead of 7 - P ");
    EXPECT_EQ(port.Databits(), TAfDatabits::db8);
    EXPECT_EQ(port.Dcb().ByteSize, 8);
    EXPECT_TRUE(port.Active());
    port.SetBaudRate(TAfBaudrate::br38400); // the line takes rates
    EXPECT_EQ(port.Dcb().BaudRate, 38400u);
    port.WriteString("still works");
    EXPECT_EQ(pty.Pty.Receive(11), "still works");
}

TEST(AfComPort, OtherEndClosingClosesThePortAndTellsTheOwner)
{
    TPtyPort pty(4);
    TAfComPort port("P");
    TListener events(port);
    port.SetComNumber(4);
    port.Open();
    pty.Pty.CloseMaster();
    EXPECT_TRUE(PumpUntil([&] { return events.closed == 1; }));
    EXPECT_FALSE(port.Active());
}

TEST(AfComPort, CloseDoesNotWaitForTheMainThreadToTakeEvents)
{
    TPtyPort pty(4);
    TAfComPort port("P");
    int received = 0;
    port.OnDataRecived = [&](TAfComPort&, uint32_t) { ++received; };
    port.SetComNumber(4);
    for (int round = 0; round < 3; ++round) {
        port.Open();
        pty.Pty.Send("data");
        // Without processing events the event thread now blocks in its call to this thread.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        port.Close();
    }
    QCoreApplication::processEvents(); // calls queued from closed openings are dropped
    EXPECT_EQ(received, 0);
}

TEST(AfComPort, ModemLinesAndLineErrorsReachTheOwner)
{
    TPtyPort pty(4);
    auto io = std::make_shared<TFakeModemLineIo>();
    TAfComPort port("P", io);
    TListener events(port);
    port.SetComNumber(4);
    port.SetRTS(false);
    port.Open();
    EXPECT_EQ(io->Rts, 0); // the level set while closed reaches the line at open
    port.SetDTR(false);
    EXPECT_EQ(io->Dtr, 0);

    io->Status = modem::Cts | modem::Ring;
    EXPECT_TRUE(port.ModemState(TAfModemSignal::msCTS));
    EXPECT_TRUE(port.ModemState(TAfModemSignal::msRING));
    EXPECT_FALSE(port.ModemState(TAfModemSignal::msDSR));
    EXPECT_FALSE(port.ModemState(TAfModemSignal::msRLSD));
    io->Change([](TSerialLineCounters& c) { ++c.Cts; ++c.Dsr; ++c.Ring; ++c.Dcd; });
    EXPECT_TRUE(PumpUntil([&] { return events.cts && events.dsr && events.ring && events.rlsd; }));
    io->Change([](TSerialLineCounters& c) { ++c.Overrun; ++c.Parity; });
    EXPECT_TRUE(PumpUntil([&] { return events.errors == (ce::Overrun | ce::RxParity); }));
    EXPECT_FALSE(events.offMain);
}
