#include "framework/uTimeoutManager.h"
#include "tests/support/pump_until.h"
#include "tests/transports/tcp/tcp_client_fixture.h"
#include "tests/transports/test_wait_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

class TcpThreads : public TcpClient {
protected:
    void SetUp() override
    {
        TcpClient::SetUp();
        Configure();
    }
    // Runs fn on a thread of its own, or on the test's thread when not `elsewhere`.
    static void On(bool elsewhere, const std::function<void()>& fn)
    {
        if (!elsewhere) return fn();
        std::thread(fn).join();
    }
};

// Open, a request and its answer, and Close, each on the main thread or on a worker
// thread that has no event loop, in every mix.
TEST_F(TcpThreads, AnyThreadOpensUsesAndCloses)
{
    Tcp->SetOnDataRcv(TCiNotifyEvent()); // the answer is the request's to read
    for (int mix = 0; mix < 8; ++mix) {
        const bool openElsewhere = mix & 1, useElsewhere = mix & 2, closeElsewhere = mix & 4;
        bool opened = false;
        On(openElsewhere, [&] { opened = Tcp->Open(); });
        ASSERT_TRUE(opened) << "mix " << mix << ": " << Tcp->GetOpenFailure();
        ASSERT_TRUE(Peer.Accept()) << "mix " << mix;
        std::string answer;
        On(useElsewhere, [&] {
            Tcp->Send("ping");
            EXPECT_EQ(Peer.Read(4), "ping");
            Peer.Write("pong");
            if (Tcp->WaitForData(2000) == TCiWaitResult::Data) Tcp->Receive(answer);
        });
        EXPECT_EQ(answer, "pong") << "mix " << mix;
        On(closeElsewhere, [&] { Tcp->Close(false); });
        EXPECT_FALSE(Tcp->IsOpen()) << "mix " << mix;
        EXPECT_EQ(Peer.Read(1), "") << "mix " << mix; // the peer sees the end
        Peer.CloseConnection();
    }
}

// A wait on one thread, holding the transport's lock as a request does, is ended at once
// by a Close on another, the main thread's event loop running or not; nothing more counts
// as sent afterwards.
TEST_F(TcpThreads, CloseFromAnotherThreadEndsTheWaitAtOnce)
{
    constexpr uint32_t WaitMs = 5000;
    for (const bool waitElsewhere : {false, true}) {
        ASSERT_TRUE(Tcp->Open());
        ASSERT_TRUE(Peer.Accept());
        std::atomic<bool> waited{false};
        TCiWaitResult result = TCiWaitResult::Data;
        uint32_t took = 0;
        const auto wait = [&] {
            const uint32_t start = GetTickCount();
            Tcp->BeginWrite();
            result = Tcp->WaitForData(WaitMs);
            Tcp->EndWrite();
            took = GetTickCount() - start;
            waited = true;
        };
        std::thread other([&] {
            if (waitElsewhere) return wait();
            Sleep(100);
            Tcp->Close(false);
        });
        if (waitElsewhere) {
            Sleep(100);
            Tcp->Close(false);
            EXPECT_TRUE(PumpUntil([&] { return waited.load(); }, std::chrono::milliseconds(WaitMs)));
        } else {
            wait();
        }
        other.join();
        EXPECT_EQ(result, TCiWaitResult::Closed) << waitElsewhere;
        EXPECT_LT(took, WaitMs) << waitElsewhere;
        EXPECT_EQ(Tcp->Send("late"), 0) << waitElsewhere;
        Peer.CloseConnection();
    }
}

// A Close from a worker while the main thread runs its event loop over arriving bytes.
TEST_F(TcpThreads, CloseFromAWorkerWhileBytesArrive)
{
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(Tcp->Open());
        ASSERT_TRUE(Peer.Accept());
        Peer.Write(std::string(1000, 'b'));
        std::thread closer([&] { Tcp->Close(round % 2 == 0); });
        PumpUntil([] { return false; }, std::chrono::milliseconds(5));
        closer.join();
        EXPECT_FALSE(Tcp->IsOpen());
        Peer.CloseConnection();
    }
    EXPECT_LE(Rec.Received().size(), 20u * 1000u);
}

// A peer that closes is noticed at once, read or not; what it sent before stays readable.
TEST_F(TcpThreads, PeerCloseIsNoticedWhateverIsUnread)
{
    Tcp->SetOnDataRcv(TCiNotifyEvent()); // nobody reads
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    Rec.Clear();
    Peer.Write("unread");
    Peer.CloseConnection();
    EXPECT_TRUE(PumpUntil([&] { return !Tcp->IsOpen(); }, std::chrono::seconds(3)));
    EXPECT_TRUE(PumpUntil([&] { return Rec.Count("close") == 1; }, std::chrono::seconds(3)));
    EXPECT_EQ(Tcp->WaitForData(0), TCiWaitResult::Data);
    std::string bytes;
    Tcp->Receive(bytes);
    EXPECT_EQ(bytes, "unread");
    EXPECT_EQ(Tcp->WaitForData(0), TCiWaitResult::Closed);
}

// Bytes that came before the peer's reset are handed out, not lost with the read that
// fails behind them.
TEST_F(TcpThreads, BytesBeforeAPeersResetAreRead)
{
    Tcp->SetOnDataRcv(TCiNotifyEvent()); // nobody reads
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    Peer.Write("hello");
    ASSERT_TRUE(PumpUntil([&] { return Tcp->InBuffUsed() == 5; }, std::chrono::seconds(3)));
    Peer.ResetConnection();
    ASSERT_TRUE(PumpUntil([&] { return !Tcp->IsOpen(); }, std::chrono::seconds(3)));
    std::string bytes;
    Tcp->Receive(bytes);
    EXPECT_EQ(bytes, "hello");
}

TEST_F(TcpThreads, CloseFromAnotherThreadEndsATransactionAtOnce)
{
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    ExpectTransactionEndedByClose(*Tcp, [&] { return Peer.Read(TransactionRequest.size()) == TransactionRequest; });
}

// What waits for a peer that does not read is bounded: a send that would queue past the
// bound is refused whole and reported; what was accepted arrives complete.
TEST_F(TcpThreads, SendQueueForAPeerThatDoesNotReadIsBounded)
{
    ASSERT_TRUE(Tcp->Open());
    ASSERT_TRUE(Peer.Accept());
    EXPECT_EQ(Tcp->Send(std::string(TClientSocket::MaxQueuedBytes + 1, 'x')), 0);
    EXPECT_EQ(Rec.Count("error Send"), 1u);
    const std::string chunk(1000000, 'y');
    size_t accepted = 0;
    for (int i = 0; i < 100 && Tcp->Send(chunk) > 0; ++i) accepted += chunk.size();
    EXPECT_EQ(Rec.Count("error Send"), 2u);
    EXPECT_GE(accepted, TClientSocket::MaxQueuedBytes - chunk.size());
    EXPECT_LT(accepted, 100 * chunk.size());
    EXPECT_EQ(Peer.Read(accepted).size(), accepted);
    EXPECT_TRUE(Tcp->IsOpen());
}

} // namespace
