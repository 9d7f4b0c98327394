// The answer wait: pairing answers with requests, answers that arrive in pieces,
// garbage and floods in front of an answer, and the cases that must end the wait early.
#include "test_stack_fixture.h"

#include "framework/uTimeoutManager.h"

#include <chrono>
#include <thread>

using namespace std::string_literals;

namespace {

// Feeds the pieces of a peer's answer one after the other, each after a pause long
// enough that the wait looks at every piece on its own.
class TPieceFeeder {
public:
    TPieceFeeder(TMemoryLink& link, std::vector<std::string> pieces)
        : FThread([&link, pieces = std::move(pieces)] {
              for (const std::string& piece : pieces) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(80));
                  link.Queue(piece);
              }
          })
    {
    }
    ~TPieceFeeder() { FThread.join(); }

private:
    std::thread FThread;
};

std::vector<std::string> Cut(const std::string& bytes, const std::vector<size_t>& at)
{
    std::vector<std::string> pieces;
    size_t from = 0;
    for (const size_t to : at) {
        pieces.push_back(bytes.substr(from, to - from));
        from = to;
    }
    pieces.push_back(bytes.substr(from));
    return pieces;
}

// Collects the error reports of a link.
struct TFaultLog {
    void OnError(ICommunicationInterface*, const std::string& operation, const TCiErrorDetails& details, uint32_t)
    {
        Faults.push_back(operation + ": " + (details.empty() ? "" : details[0]));
    }
    std::vector<std::string> Faults;
};

} // namespace

TEST_F(StackFixture, WaitTakesOnlyTheMatchingAnswerAndDispatchesTheRest)
{
    link->SetPeer([](const TTarvelFormat97& r) {
        return "noise" + Pkt(0x31, uint8_t(r.Sig + 1), 0, "other sig") + Pkt(0x31, r.Sig, 13, "message") +
               Pkt(0x32, r.Sig, 0, "other adr") + "junk" + AnswerTo(r, 0, "mine") + Pkt(0x31, 9, 0, "after");
    });
    std::string answer;
    ASSERT_TRUE(SendAndWait(*stack, 0x31, 4, 0x30, "", answer, 1000));
    TTarvelFormat97 rec;
    ParseTarvel97Packet(answer, rec);
    EXPECT_EQ(rec.Data, "mine");
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{5, 9}));
    ASSERT_EQ(dev31->Messages.size(), 1u);
    EXPECT_EQ(dev31->Messages[0].Data, "message");
    ASSERT_EQ(dev32->Answers.size(), 1u);
    EXPECT_EQ(dev32->Answers[0].Data, "other adr");
    EXPECT_EQ(stack->RxBufferedBytes(), 0u);
}

TEST_F(StackFixture, AnswerInPiecesIsTakenWhateverItsDataHolds)
{
    // "*a" with a length that fits what has arrived, inside the answer's data, must not
    // make the wait drop the answer's first piece as garbage.
    const std::string inner = "*a\x00\x00"s;
    const std::string filler = "0123456789";
    struct TCase {
        const char* name;
        std::string front; // bytes on the line before the answer
        std::string data;
        int pieces;
    };
    const TCase cases[] = {
        {"marker at the front, 2 pieces", "", inner + filler, 2},
        {"marker in the middle, 2 pieces", "", filler + inner + filler, 2},
        {"marker at the end, 2 pieces", "", filler + inner, 2},
        {"marker at the front, 3 pieces", "", inner + filler, 3},
        {"marker in the middle, 3 pieces", "", filler + inner + filler, 3},
        {"marker at the end, 3 pieces", "", filler + inner, 3},
        {"behind a stray packet", Pkt(0x32, 7, 0, "stray"), filler + inner + filler, 3},
        {"behind a fake header", "*a\xFF\xFF"s, filler + inner + filler, 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string reply = c.front + Pkt(0x31, 2, 0, c.data);
        // The first cut ends just behind the inner marker; a third piece splits the rest.
        const size_t marker = reply.find(inner, c.front.size() + 7);
        std::vector<size_t> at{marker + inner.size()};
        if (c.pieces == 3) at.push_back((at[0] + reply.size()) / 2);
        std::string answer;
        bool answered;
        {
            TPieceFeeder feeder(*link, Cut(reply, at));
            answered = SendAndWait(*stack, 0x31, 2, 0x30, "", answer, 2000);
        }
        ASSERT_TRUE(answered);
        TTarvelFormat97 rec;
        ParseTarvel97Packet(answer, rec);
        EXPECT_EQ(rec.Data, c.data);
    }
    ASSERT_EQ(dev32->Answers.size(), 1u);
    EXPECT_EQ(dev32->Answers[0].Data, "stray");
}

TEST_F(StackFixture, FloodOfFakeHeadersBeforeTheAnswerEndsWithinTheTimeout)
{
    std::string flood;
    for (int i = 0; i < 10 * 1024 * 1024 / 4; ++i) flood += "*a\xFF\xFF"s;
    link->SetPeer([&flood](const TTarvelFormat97& r) { return flood + AnswerTo(r, 0, "late"); });
    std::string answer;
    ASSERT_TRUE(SendAndWait(*stack, 0x31, 1, 0x30, "", answer, 1000));
    EXPECT_LE(stack->RxBufferedBytes(), TTarvelStack::MaxRxBuffer);
}

TEST_F(StackFixture, WaitWithWildcardAddressAcceptsAnyAddress)
{
    link->SetPeer([](const TTarvelFormat97& r) { return Pkt(0x55, r.Sig, 0, "any"); });
    std::string answer;
    EXPECT_TRUE(SendAndWait(*stack, 0xFE, 1, 0xF3, "", answer, 500));
    EXPECT_FALSE(SendAndWait(*stack, 0x31, 1, 0xF3, "", answer, 100));
}

TEST_F(StackFixture, WaitLooksAtLeastOnceAndGivesUpAfterTheTimeout)
{
    // Bytes that were waiting before the request are not its answer.
    link->Queue(Pkt(0x31, 3, 0, "stale"));
    link->SetPeer([](const TTarvelFormat97& r) { return AnswerTo(r, 0, "fresh"); });
    std::string answer;
    ASSERT_TRUE(SendAndWait(*stack, 0x31, 3, 0x30, "", answer, 0));
    TTarvelFormat97 rec;
    ParseTarvel97Packet(answer, rec);
    EXPECT_EQ(rec.Data, "fresh");
    ASSERT_EQ(dev31->Answers.size(), 1u);
    EXPECT_EQ(dev31->Answers[0].Data, "stale");

    link->SetPeer(nullptr);
    const uint32_t start = GetTickCount();
    EXPECT_FALSE(SendAndWait(*stack, 0x31, 3, 0x30, "", answer, 150));
    EXPECT_GE(GetTickCount() - start, 150u);
}

TEST_F(StackFixture, WaitEndsAtOnceWhenNothingCanCome)
{
    std::string answer;
    // Bytes that could not be sent.
    link->RefuseWrites = true;
    uint32_t start = GetTickCount();
    EXPECT_FALSE(SendAndWait(*stack, 0x31, 0, 0x30, "", answer, 5000));
    EXPECT_LT(GetTickCount() - start, 2500u);
    link->RefuseWrites = false;

    // A link that goes down during the wait.
    start = GetTickCount();
    std::thread closer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        link->HangUp();
    });
    EXPECT_FALSE(SendAndWait(*stack, 0x31, 0, 0x30, "", answer, 5000));
    closer.join();
    EXPECT_LT(GetTickCount() - start, 2500u);
}

TEST_F(StackFixture, FaultsAmongOtherTrafficNeverCostTheAnswer)
{
    TFaultLog log;
    link->SetOnError(TCiErrorEvent::Bind<&TFaultLog::OnError>(&log));
    std::string eight = "*a\x00\x04\x31\x01"s;
    eight += char(Tarvel97CheckSum(eight));
    eight += '\r';
    link->SetPeer([&eight](const TTarvelFormat97& r) {
        return Pkt(0xFF, r.Sig, 0, "universal") + AnswerTo(r, 0, "mine") + eight + Pkt(0x31, 9, 0, "after");
    });
    std::string answer;
    EXPECT_TRUE(SendAndWait(*stack, 0x31, 4, 0x30, "", answer, 1000));
    EXPECT_EQ(log.Faults, (std::vector<std::string>{"DoDataRcv: RCV packet ADR=$FF !",
                                                "DoDataRcv: Incorrect PACKET (Tarvel format 97)!"}));
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{9}));
}

TEST_F(StackFixture, NothingIsSentWithoutAnOpenInterface)
{
    link->Close(false);
    std::string answer = "kept";
    EXPECT_FALSE(SendAndWait(*stack, 0x31, 0, 0x30, "", answer, 100));
    EXPECT_EQ(answer, "kept");
    stack->SetCommunicationInterface(nullptr);
    EXPECT_FALSE(stack->SendPacket(0x31, 0, 0x30, ""));
    EXPECT_EQ(link->Sent(), "");
}
