// The serial transport on real pseudo-terminals linked as COM<n>: opening and closing
// through connection strings, exclusive use, bytes both ways, the main-thread
// notifications, and what happens when the line goes away.
#include "tests/transports/serial/test_af_fake_line.h"
#include "tests/transports/serial/test_serial_support.h"
#include "tests/transports/test_af_pty.h"
#include "tests/transports/test_wait_support.h"
#include "transports/serial/AfSafeSync.h"

#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace {

// Every byte value, several times over, so that nothing is treated as text.
std::string AllBytes(size_t count)
{
    std::string data(count, '\0');
    for (size_t i = 0; i < count; ++i) data[i] = char((i * 7 + i / 256) & 0xFF);
    return data;
}

// The line rate the pseudo-terminal has now (master and slave share their settings).
uint32_t LineSpeed(const TPty& pty)
{
    termios2 t{};
    ::ioctl(pty.Master(), TCGETS2, &t);
    return t.c_ospeed;
}

class SerialPort : public ::testing::Test {
protected:
    void Configure(const std::string& extra) { Port->SetConfiguration("comport=5" + extra); }

    TPtyPort Line{5};
    IntfPtr<TSerialPortInterface> Port = MakeObj<TSerialPortInterface>();
    TSerialEvents Events{Port.get()};
};

// Refuses one line rate, as a device that cannot run at it would.
class TRateRefusingIo : public TSerialLineIo {
public:
    static constexpr uint32_t RefusedRate = 31250;
    bool SetSettings(int fd, const TAfDcb& settings) override
    {
        return settings.BaudRate != RefusedRate && TSerialLineIo::SetSettings(fd, settings);
    }
};

// Lets go of its transport, the last reference to it, when told that the line closed.
struct TDroppingOwner {
    IntfPtr<TSerialPortInterface> Port = MakeObj<TSerialPortInterface>();
    bool Dropped = false;
    void OnClose(ICommunicationInterface*)
    {
        Port = nullptr;
        Dropped = true;
    }
};

} // namespace

TEST_F(SerialPort, OpensClosesAndReopensThroughConnectionStrings)
{
    Configure(";active=yes");
    EXPECT_FALSE(Port->IsOpen());
    Configure(";active=1;baudrate=19200"); // every other key is applied before opening
    ASSERT_TRUE(Port->IsOpen());
    EXPECT_EQ(LineSpeed(Line.Pty), 19200u);
    EXPECT_EQ(Events.Opens, 1);
    Configure(";active=0"); // no value of "active" closes
    EXPECT_TRUE(Port->IsOpen());

    EXPECT_TRUE(Port->Close(false));
    EXPECT_FALSE(Port->IsOpen());
    EXPECT_EQ(Events.Closes, 1);
    EXPECT_TRUE(Events.Errors().empty());

    Port->SetConfiguration("active=TRUE");
    ASSERT_TRUE(Port->IsOpen());
    Line.Pty.Send("again");
    EXPECT_TRUE(PumpUntil([&] { return Events.Received() == "again"; }));

    Port->SetLinkEnabled(false);
    EXPECT_FALSE(Port->IsOpen());
    EXPECT_EQ(Events.Closes, 2);
    // A forced close of a closed port has nothing to close and says so.
    EXPECT_FALSE(Port->Close(true));
    EXPECT_TRUE(Events.HasError("Close"));
    EXPECT_EQ(Events.Closes, 2);
}

TEST_F(SerialPort, PortsThatCannotOpenReportOpen)
{
    Line.Dir.Link(9, "/nonexistent/tty");
    for (const char* text : {"comport=0;active=1", "comport=9;active=1", "comport=200;active=1"}) {
        IntfPtr<TSerialPortInterface> port = MakeObj<TSerialPortInterface>();
        TSerialEvents events(port.get());
        port->SetConfiguration(text);
        EXPECT_FALSE(port->IsOpen()) << text;
        EXPECT_TRUE(events.HasError("Open")) << text;
        EXPECT_FALSE(port->Open()) << text;
    }

    // Somebody else holds the line: the second opener fails, the first keeps working.
    Configure(";active=1");
    ASSERT_TRUE(Port->IsOpen());
    IntfPtr<TSerialPortInterface> second = MakeObj<TSerialPortInterface>();
    TSerialEvents secondEvents(second.get());
    second->SetConfiguration("comport=5;active=1");
    EXPECT_FALSE(second->IsOpen());
    EXPECT_TRUE(secondEvents.HasError("Open"));
    EXPECT_EQ(Port->Send("still mine"), 10);
    EXPECT_EQ(Line.Pty.Receive(10), "still mine");
}

// A port made while every event slot is taken cannot report its line: it refuses to open
// and says why, and opens and hears the line once a slot is free.
TEST_F(SerialPort, OpenWithoutAFreeEventSlotFailsAndSaysWhy)
{
    std::vector<uint32_t> taken;
    while (const uint32_t id = AfSafeSyncRegister([](const std::any&) {})) taken.push_back(id);
    ASSERT_FALSE(taken.empty());
    IntfPtr<TSerialPortInterface> port = MakeObj<TSerialPortInterface>();
    TSerialEvents events(port.get());
    port->SetConfiguration("comport=5;active=1");
    EXPECT_FALSE(port->IsOpen());
    EXPECT_NE(port->GetOpenFailure().find("all 64 event slots are taken"), std::string::npos) << port->GetOpenFailure();
    AfSafeSyncUnregister(taken.back());
    taken.pop_back();
    port->SetConfiguration("active=1");
    EXPECT_TRUE(port->IsOpen()) << port->GetOpenFailure();
    Line.Pty.Send("heard");
    EXPECT_TRUE(PumpUntil([&] { return events.Received() == "heard"; }));
    for (const uint32_t id : taken) AfSafeSyncUnregister(id);
}

// Only an open port holds an event slot: a port made and never opened takes none, and
// closing one leaves its slot to another.
TEST_F(SerialPort, OnlyAnOpenPortHoldsAnEventSlot)
{
    std::vector<uint32_t> taken;
    while (const uint32_t id = AfSafeSyncRegister([](const std::any&) {})) taken.push_back(id);
    ASSERT_FALSE(taken.empty());
    AfSafeSyncUnregister(taken.back());
    taken.pop_back();
    const IntfPtr<TSerialPortInterface> unopened = MakeObj<TSerialPortInterface>();
    Configure(";active=1");
    ASSERT_TRUE(Port->IsOpen()) << Port->GetOpenFailure();
    const TPty secondLine;
    Line.Dir.Link(6, secondLine.SlavePath());
    const IntfPtr<TSerialPortInterface> second = MakeObj<TSerialPortInterface>();
    second->SetConfiguration("comport=6;active=1");
    EXPECT_FALSE(second->IsOpen());
    Port->Close(false);
    second->SetConfiguration("active=1");
    EXPECT_TRUE(second->IsOpen()) << second->GetOpenFailure();
    second->Close(false);
    for (const uint32_t id : taken) AfSafeSyncUnregister(id);
}

TEST_F(SerialPort, BytesTravelBothWaysAtSeveralRates)
{
    Configure(";active=1");
    ASSERT_TRUE(Port->IsOpen());
    const std::string data = AllBytes(3000);
    for (const int32_t rate : {9600, 57600, 115200, 230400}) {
        Port->SetBaudRate(rate);
        EXPECT_EQ(LineSpeed(Line.Pty), uint32_t(rate));
        EXPECT_NEAR(Port->GetByteTime(), 10000.0 / rate, 1e-9);

        EXPECT_EQ(Port->Send(data), int32_t(data.size()));
        EXPECT_EQ(Line.Pty.Receive(data.size()), data) << rate;

        const std::string before = Events.Received();
        Line.Pty.Send(data);
        EXPECT_TRUE(PumpUntil([&] { return Events.Received().size() >= before.size() + data.size(); })) << rate;
        EXPECT_EQ(Events.Received(), before + data) << rate;
    }
    EXPECT_TRUE(Events.Errors().empty());
    EXPECT_FALSE(Events.OffMain);
}

TEST_F(SerialPort, SplitDataArrivesInOrderThroughSeveralNotifications)
{
    Configure(";active=1");
    ASSERT_TRUE(Port->IsOpen());
    std::string nothing = "stale";
    Port->Receive(nothing); // nothing waits: returns at once, empty
    EXPECT_EQ(nothing, "");
    EXPECT_EQ(Port->InBuffUsed(), 0);

    std::string expected;
    for (const char* part : {"\x02" "AB", "C\x00" "D", "EF\x03"}) {
        const std::string piece(part, 3);
        expected += piece;
        Line.Pty.Send(piece);
        EXPECT_TRUE(PumpUntil([&] { return Events.Received() == expected; }));
    }
    EXPECT_GE(Events.DataEvents, 3);
    EXPECT_FALSE(Events.OffMain);
}

TEST_F(SerialPort, ChangingThePortWhileOpenMovesToTheNewLine)
{
    TPty other;
    Line.Dir.Link(6, other.SlavePath());
    Configure(";active=1");
    ASSERT_TRUE(Port->IsOpen());
    Port->SetConfiguration("comport=6");
    ASSERT_TRUE(Port->IsOpen());
    std::string name;
    Port->GetDeviceName(name);
    EXPECT_EQ(name, "COM6");
    Port->Send("moved");
    EXPECT_EQ(other.Receive(5), "moved");
    EXPECT_EQ(Events.Closes, 0);

    Port->SetConfiguration("comport=0"); // no such port: the transport ends closed
    EXPECT_FALSE(Port->IsOpen());
    EXPECT_EQ(Events.Closes, 1);
}

TEST_F(SerialPort, ALostLineClosesTheTransport)
{
    Configure(";active=1");
    ASSERT_TRUE(Port->IsOpen());
    Line.Pty.Send("last");
    EXPECT_TRUE(PumpUntil([&] { return Events.Received() == "last"; }));

    Line.Pty.CloseMaster();
    // A request made right now ends with no answer instead of hanging.
    std::string answer = "x";
    Port->SimpleTransaction("ping", 200, nullptr, answer);
    EXPECT_EQ(answer, "");
    EXPECT_TRUE(PumpUntil([&] { return Events.Closes == 1; }));
    EXPECT_FALSE(Port->IsOpen());
    EXPECT_FALSE(Events.OffMain);

    // The next request fails at once and sending is reported, not raised.
    Port->SimpleTransaction("ping", 200, nullptr, answer);
    EXPECT_EQ(answer, "");
    EXPECT_EQ(Port->Send("abc"), 0);
    const std::vector<TSerialError> errors = Events.Errors();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back().Operation, "Send");
    EXPECT_EQ(errors.back().Details, TCiErrorDetails{"Write data error [requested: 3, free: 0] - SerialPort "});
}

// The transport stays whole until the hang-up has been handled, then goes.
TEST(SerialPortOwner, MayDropTheTransportWhileTheLineClosingIsAnnounced)
{
    TPtyPort line{6};
    TDroppingOwner owner;
    owner.Port->SetOnClose(TCiNotifyEvent::Bind<&TDroppingOwner::OnClose>(&owner));
    owner.Port->SetConfiguration("comport=6;active=1");
    ASSERT_TRUE(owner.Port->IsOpen());
    line.Pty.CloseMaster();
    EXPECT_TRUE(PumpUntil([&] { return owner.Dropped; }));
}

// A request's wait blocks the main thread, which the component's notifications need: the
// line itself ends the wait when bytes arrive or the far end hangs up.
TEST_F(SerialPort, WaitForDataIsWokenByTheLine)
{
    Configure(";active=1");
    ASSERT_TRUE(Port->IsOpen());
    EXPECT_EQ(Port->WaitForData(20), TCiWaitResult::TimedOut);

    ExpectWaitEndedBy(*Port, TCiWaitResult::Data, [&] { Line.Pty.Send("x"); });
    std::string bytes;
    Port->Receive(bytes);
    EXPECT_EQ(bytes, "x");

    ExpectWaitEndedBy(*Port, TCiWaitResult::Closed, [&] { Line.Pty.CloseMaster(); });
}

TEST_F(SerialPort, CloseFromAnotherThreadEndsATransactionAtOnce)
{
    Configure(";active=1");
    ASSERT_TRUE(Port->IsOpen());
    ExpectTransactionEndedByClose(*Port, [&] {
        return Line.Pty.Receive(TransactionRequest.size()) == TransactionRequest;
    });
}

TEST_F(SerialPort, ABlockLargerThanTheOutputRingIsReported)
{
    Port->SetOutBufSize(16);
    Configure(";active=1");
    ASSERT_TRUE(Port->IsOpen());
    EXPECT_EQ(Port->Send(std::string(17, 'x')), 0);
    const std::vector<TSerialError> errors = Events.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Operation, "Send");
    EXPECT_EQ(errors[0].Details, TCiErrorDetails{"Write data error [requested: 17, free: 16] - SerialPort "});
    EXPECT_EQ(Port->Send(std::string(16, 'y')), 16);
    EXPECT_EQ(Line.Pty.Receive(16), std::string(16, 'y'));

    try {
        Port->SetOutBufSize(32);
        ADD_FAILURE() << "the size changed on an open port";
    } catch (const EAfComPortError& e) {
        EXPECT_EQ(e.Message(), "Port is not closed - SerialPort ");
    }
    EXPECT_EQ(Port->GetOutBufSize(), 16);
}

TEST(SerialPortLine, RefusedSettingsFollowWhatTheLineReports)
{
    TPtyPort line(3);
    IntfPtr<TSerialPortInterface> port = MakeObj<TSerialPortInterface>(std::make_shared<TRateRefusingIo>());
    TSerialEvents events(port.get());
    port->SetConfiguration("comport=3;baudrate=19200;active=1");
    ASSERT_TRUE(port->IsOpen());

    port->SetBaudRate(TRateRefusingIo::RefusedRate);
    const std::vector<TSerialError> errors = events.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Operation, "SetBaudRate");
    EXPECT_EQ(errors[0].Details, TCiErrorDetails{"31250"});
    EXPECT_EQ(port->GetBaudRate(), 19200);
    EXPECT_EQ(LineSpeed(line.Pty), 19200u);
    EXPECT_NEAR(port->GetByteTime(), 10000.0 / 19200, 1e-9);
    EXPECT_TRUE(port->IsOpen());
}

TEST(SerialPortLine, ModemLinesBecomeSignalNotificationsOnTheMainThread)
{
    TPtyPort line(4);
    auto io = std::make_shared<TFakeModemLineIo>();
    IntfPtr<TSerialPortInterface> port = MakeObj<TSerialPortInterface>(io);
    TSerialEvents events(port.get());
    port->SetConfiguration("comport=4;rts=0;active=1");
    ASSERT_TRUE(port->IsOpen());
    EXPECT_EQ(io->Rts, 0); // the level set before opening reaches the line
    port->SetDTR(false);
    EXPECT_EQ(io->Dtr, 0);
    EXPECT_FALSE(port->GetDTR());

    io->Status = modem::Cts | modem::Rlsd;
    EXPECT_TRUE(port->GetCTS());
    EXPECT_FALSE(port->GetDSR());
    io->Change([](TSerialLineCounters& c) { ++c.Cts; ++c.Dsr; ++c.Ring; ++c.Dcd; });
    ASSERT_TRUE(PumpUntil([&] { return events.Signals().size() == 4; }));
    const std::vector<std::pair<uint32_t, bool>> expected = {
        {sigCTS, true}, {sigDSR, false}, {sigRING, false}, {sigRTS, true}};
    EXPECT_EQ(events.Signals(), expected);
    EXPECT_FALSE(events.OffMain);
}

TEST(SerialPortLine, DestroyingAnOpenTransportUnderTrafficIsClean)
{
    TPtyPort line(8);
    for (int round = 0; round < 5; ++round) {
        IntfPtr<TSerialPortInterface> port = MakeObj<TSerialPortInterface>();
        TSerialEvents events(port.get());
        port->SetConfiguration("comport=8;active=1");
        ASSERT_TRUE(port->IsOpen());
        line.Pty.Send(AllBytes(500));
        port->Send(AllBytes(500));
        PumpUntil([&] { return events.DataEvents > 0; }, std::chrono::seconds(2));
        line.Pty.Receive(500, 1000);
    }
}
