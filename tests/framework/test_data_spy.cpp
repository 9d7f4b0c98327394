#include "framework/ci_test_transport.h"
#include "framework/uExceptions.h"
#include "framework/uTimeoutManager.h"
#include "framework/uci_SpyMonitor.h"
#include "tests/support/monitor_listener.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct TSpyRecord {
    ICommunicationInterface* Intf;
    std::string Bytes;
    uint8_t Direction;
};

struct TSpyCollector {
    std::mutex Lock;
    std::vector<TSpyRecord> Records;
    std::atomic<int> Calls{0};

    void Sink(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)
    {
        ++Calls;
        std::lock_guard lock(Lock);
        Records.push_back({intf, bytes, direction});
    }
    void Throwing(ICommunicationInterface*, const std::string&, uint8_t) { throw Exception("sink failed"); }
    TSpySink Handler() { return TSpySink::Bind<&TSpyCollector::Sink>(this); }
};

class DataSpy : public ::testing::Test {
protected:
    void SetUp() override
    {
        Intf = MakeObj<TTestTransport>();
        ASSERT_TRUE(Intf->Open());
    }
    void TearDown() override { SetSpySink(TSpySink()); }

    IntfPtr<TTestTransport> Intf;
    TSpyCollector Spy;
};

TEST_F(DataSpy, TrafficWorksWithoutSink)
{
    EXPECT_EQ(Intf->Send(std::string("a\0b", 3)), 3);
    Intf->Feed("xy");
    std::string bytes;
    Intf->Receive(bytes);
    EXPECT_EQ(bytes, "xy");
}

TEST_F(DataSpy, SinkSeesEveryDirectionWithItsInterface)
{
    SetSpySink(Spy.Handler());
    Intf->Send(std::string("\x00\xff", 2));
    Intf->Feed("in");
    std::string bytes;
    Intf->Receive(bytes);
    Intf->Receive(bytes); // nothing waiting: the empty string still reaches the sink
    ASSERT_EQ(Spy.Records.size(), 3u);
    EXPECT_EQ(Spy.Records[0].Bytes, std::string("\x00\xff", 2));
    EXPECT_EQ(Spy.Records[0].Direction, SpyDirectionSent);
    EXPECT_EQ(Spy.Records[0].Intf, static_cast<ICommunicationInterface*>(Intf.get()));
    EXPECT_EQ(Spy.Records[1].Bytes, "in");
    EXPECT_EQ(Spy.Records[1].Direction, SpyDirectionReceived);
    EXPECT_EQ(Spy.Records[2].Bytes, "");
}

TEST_F(DataSpy, TransactionReportsRequestThenWholeAnswerOnce)
{
    SetSpySink(Spy.Handler());
    std::thread peer([&] {
        while (Intf->Written().empty()) Sleep(1);
        Intf->Feed("an");
        Sleep(5);
        Intf->Feed("swer");
    });
    std::string answer;
    Intf->Transaction("req", 1000, 100, 2000, false, false, nullptr, "", answer);
    peer.join();
    ASSERT_EQ(Spy.Records.size(), 2u);
    EXPECT_EQ(Spy.Records[0].Bytes, "req");
    EXPECT_EQ(Spy.Records[0].Direction, SpyDirectionSent);
    EXPECT_EQ(Spy.Records[1].Bytes, "answer");
    EXPECT_EQ(Spy.Records[1].Direction, SpyDirectionReceived);
}

TEST_F(DataSpy, FailingSinkDisturbsNothing)
{
    SetSpySink(TSpySink::Bind<&TSpyCollector::Throwing>(&Spy));
    EXPECT_EQ(Intf->Send("abc"), 3);
    Intf->Feed("de");
    std::string bytes;
    EXPECT_NO_THROW(Intf->Receive(bytes));
    EXPECT_EQ(bytes, "de");
    Intf->Feed("fg");
    std::string answer;
    EXPECT_NO_THROW(Intf->Transaction("q", 5, 5, 10, false, false, nullptr, "", answer));
    EXPECT_EQ(answer, "fg");
}

TEST_F(DataSpy, LastInstallationWinsAndRemovalIsByIdentity)
{
    TSpyCollector other;
    SetSpySink(Spy.Handler());
    SetSpySink(other.Handler());
    EXPECT_FALSE(RemoveSpySink(Spy.Handler()));
    Intf->Send("x");
    EXPECT_EQ(Spy.Calls, 0);
    EXPECT_EQ(other.Calls, 1);
    EXPECT_TRUE(RemoveSpySink(other.Handler()));
    EXPECT_FALSE(GetSpySink());
    Intf->Send("y");
    EXPECT_EQ(other.Calls, 1);
}

TEST_F(DataSpy, NoCallReachesASinkAfterItsRemovalReturns)
{
    SetSpySink(Spy.Handler());
    std::atomic<bool> stop{false};
    std::vector<std::thread> senders;
    for (int t = 0; t < 3; ++t)
        senders.emplace_back([&] {
            while (!stop) Intf->Send("z");
        });
    while (Spy.Calls < 100) std::this_thread::yield();
    ASSERT_TRUE(RemoveSpySink(Spy.Handler()));
    const int afterRemoval = Spy.Calls;
    Sleep(20);
    stop = true;
    for (auto& t : senders) t.join();
    EXPECT_EQ(Spy.Calls, afterRemoval);
}

TEST(DataSpySwitch, RecognisesDstInItsSpellings)
{
    for (const char* arg : {"DST", "-dst", "/DST", "  dst  ", "\t-Dst "}) EXPECT_TRUE(IsMonitorSwitch(arg)) << arg;
    for (const char* arg : {"DSTX", "--dst", "d st", "", "-", "/tmp/dst"}) EXPECT_FALSE(IsMonitorSwitch(arg)) << arg;

    const char* without[] = {"/usr/bin/valdrix-tester", "DSTX"};
    EXPECT_FALSE(ApplySpyCommandLine(2, without));
    EXPECT_FALSE(GetSpySink());
    const char* with[] = {"/usr/bin/valdrix-tester", " /dst"};
    EXPECT_TRUE(ApplySpyCommandLine(2, with));
    EXPECT_EQ(GetSpySink(), MonitorSpySink());
    SetSpySink(TSpySink());
}

TEST_F(DataSpy, MonitorSinkSendsDirectionThenBytes)
{
    TMonitorListener listener;
    EXPECT_NE(MonitorSocketPath().find("/valdrix-dst.sock"), std::string::npos);
    SetSpySink(MonitorSpySink());
    Intf->Send(std::string("\x10\x00", 2));
    std::string bytes;
    Intf->Receive(bytes); // empty: no datagram
    Intf->Feed("ok");
    Intf->Receive(bytes);
    EXPECT_EQ(listener.Next(), std::string("\x01\x10\x00", 3));
    EXPECT_EQ(listener.Next(), "\x02ok");
    EXPECT_EQ(listener.Next(MSG_DONTWAIT), "");
}

TEST_F(DataSpy, MonitorSinkWithoutListenerDropsSilently)
{
    setenv("XDG_RUNTIME_DIR", "/nonexistent-valdrix-dir", 1);
    SetSpySink(MonitorSpySink());
    EXPECT_EQ(Intf->Send("abc"), 3);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(MonitorSocketPath(), "/tmp/valdrix-dst-" + std::to_string(getuid()) + ".sock");
}

} // namespace
