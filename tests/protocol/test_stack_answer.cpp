// Which received packet is a request's answer: not a message with its SIG, not its own
// bytes coming back, nothing that arrived before it however much that was; and a wait
// that keeps to its time-out while it looks and while it frames a flood.
#include "test_stack_fixture.h"
#include "test_ticks.h"

#include <algorithm>
#include <functional>

using namespace std::string_literals;

namespace {

// A silent link on which time passes only while the stack looks at it: as long as the
// look was to last, and a tick for a look that was to take no time.
class TClockedSilentLink : public TMemoryLink {
public:
    explicit TClockedSilentLink(TTestTicks& ticks) : FTicks(ticks) {}
    uint32_t LongestLook = 0;

protected:
    TCiWaitResult InternalWaitForData(uint32_t timeoutMs) override
    {
        LongestLook = std::max(LongestLook, timeoutMs);
        FTicks.Advance(std::max(timeoutMs, 1u));
        return TCiWaitResult::TimedOut;
    }

private:
    TTestTicks& FTicks;
};

std::string DataOf(const std::string& packet)
{
    TTarvelFormat97 rec;
    ParseTarvel97Packet(packet, rec);
    return rec.Data;
}

} // namespace

TEST_F(StackFixture, PacketsWithMessageCodesAreNeverTheAnswer)
{
    // Codes 12 to 15 in byte 6 mark messages; any other code is an acknowledge code.
    const struct {
        uint8_t Code;
        std::string Answer;
    } cases[] = {{11, "front"}, {12, "mine"}, {15, "mine"}, {16, "front"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Code));
        link->SetPeer(
            [&c](const TTarvelFormat97& r) { return Pkt(0x31, r.Sig, c.Code, "front") + AnswerTo(r, 0, "mine"); });
        std::string answer;
        ASSERT_TRUE(SendAndWait(*stack, 0x31, 6, 0x30, "", answer, 1000));
        EXPECT_EQ(DataOf(answer), c.Answer);
    }
}

TEST_F(StackFixture, TheRequestsOwnBytesComingBackAreItsEchoNeverItsAnswer)
{
    // Instruction 2 would be an acknowledge code: an echo handed to the devices would
    // reach them as an answer.
    const std::string noise = "\x00\x13noise"s;
    const struct {
        const char* Name;
        uint8_t Address;
        std::function<std::string(const std::string& echo, const TTarvelFormat97& r)> Reply;
        const char* Answer; // none: no answer
    } cases[] = {
        {"echo, then the answer", 0x31, [](auto& echo, auto& r) { return echo + AnswerTo(r, 0, "mine"); }, "mine"},
        {"echo alone", 0x31, [](auto& echo, auto&) { return echo; }, nullptr},
        {"echo behind noise", 0x31, [&](auto& echo, auto& r) { return noise + echo + AnswerTo(r, 0, "mine"); }, "mine"},
        {"echo of a request to the wildcard address", 0xFE,
         [](auto& echo, auto& r) { return echo + Pkt(0x31, r.Sig, 0, "any"); }, "any"},
        {"echo alone, wildcard address", 0xFE, [](auto& echo, auto&) { return echo; }, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        link->SetPeer([&c](const TTarvelFormat97& r) { return c.Reply(BuildTarvel97PacketFromRecord(r), r); });
        std::string answer;
        const bool answered = SendAndWait(*stack, c.Address, 7, 2, "data", answer, 200);
        EXPECT_EQ(answered, c.Answer != nullptr);
        if (answered && c.Answer) {
            EXPECT_EQ(DataOf(answer), c.Answer);
        }
        EXPECT_TRUE(dev31->Answers.empty()) << "the echo reached a device";
        EXPECT_EQ(stack->RxBufferedBytes(), 0u);
    }
}

TEST_F(StackFixture, EverythingThatArrivedBeforeTheRequestIsBeforeItHoweverMuch)
{
    // A socket hands out at most 64 KiB per read; a stale answer behind more than that
    // must still count as arrived before the request.
    link->ReadLimit = 0x10000;
    for (const size_t backlog : {size_t(65000), size_t(66000), size_t(130000)}) {
        SCOPED_TRACE(backlog);
        dev31->Answers.clear();
        link->Queue(std::string(backlog, 'g') + Pkt(0x31, 5, 0, "stale"));
        std::string answer;
        EXPECT_FALSE(SendAndWait(*stack, 0x31, 5, 0xF3, "", answer, 100)) << DataOf(answer);
        ASSERT_EQ(dev31->Answers.size(), 1u) << "the stale answer is other traffic";
        EXPECT_EQ(dev31->Answers[0].Data, "stale");
    }
}

TEST(StackWaitLooks, AWaitEndsAtTheFirstTickPastItsTimeOut)
{
    for (const uint32_t timeout : {0u, 1u, 30u, 50u, 70u, 120u}) {
        SCOPED_TRACE(timeout);
        TTestTicks ticks(1000, 0);
        const auto link = MakeObj<TClockedSilentLink>(ticks);
        const auto stack = MakeObj<TTarvelStack>();
        link->Open();
        stack->SetCommunicationInterface(link);
        std::string answer;
        EXPECT_FALSE(SendAndWait(*stack, 0x31, 1, 0x30, "", answer, timeout));
        EXPECT_EQ(GetTickCount() - 1000, timeout + 1);
        EXPECT_LE(link->LongestLook, TTarvelStack::MaxLookIntervalMs);
        stack->SetCommunicationInterface(nullptr);
    }
}

TEST_F(StackFixture, FramingAFloodStopsAtTheTimeOut)
{
    // Every reading of the clock moves it on by a tick: the time-out passes while the
    // flood in front of the answer is framed, and the answer behind it is too late.
    std::string flood;
    for (int i = 0; i < 5000; ++i) flood += Pkt(0x40, uint8_t(i), 0, "x");
    link->SetPeer([&flood](const TTarvelFormat97& r) { return flood + AnswerTo(r, 0, "late"); });
    std::string answer;
    {
        const TTestTicks ticks(1000, 1);
        EXPECT_FALSE(SendAndWait(*stack, 0x31, 1, 0x30, "", answer, 1));
    }
    ASSERT_EQ(dev31->Answers.size(), 1u) << "the answer is dispatched as other traffic";
    EXPECT_EQ(dev31->Answers[0].Data, "late");
}
