// How a request ended, as the stack saw it and the device keeps it: one case per way,
// over an in-memory link.
#include "test_stack_fixture.h"

#include <functional>

using namespace std::string_literals;

namespace {

std::string Damaged(std::string packet)
{
    packet[packet.size() - 3] ^= 1;
    return packet;
}

TEST_F(StackFixture, EachWayARequestEndsIsTheOutcomeTheDeviceKeeps)
{
    using TReply = std::function<std::string(const TTarvelFormat97&)>;
    const auto answer = [](const TTarvelFormat97& r) { return AnswerTo(r, 0, "ok"); };
    const auto earlier = [](const TTarvelFormat97& r) { return Pkt(r.Adr, uint8_t(r.Sig + 1), 0, "earlier"); };
    const struct {
        const char* Name;
        TReply Reply;
        TTarvelOutcome Expected;
        std::string Backlog = "";
    } cases[] = {
        {"answered", answer, TTarvelOutcome::Answered},
        {"noise before the answer", [&](auto& r) { return "noise\r" + answer(r); }, TTarvelOutcome::Answered},
        {"refused", [](auto& r) { return AnswerTo(r, 5, ""); }, TTarvelOutcome::Refused},
        {"silent", [](auto&) { return ""s; }, TTarvelOutcome::TimedOut},
        {"only the request's own echo", [](auto& r) { return BuildTarvel97PacketFromRecord(r); },
         TTarvelOutcome::TimedOut},
        {"only traffic of another device", [](auto& r) { return Pkt(0x32, r.Sig, 0); }, TTarvelOutcome::TimedOut},
        {"a stale answer from before the request", [](auto&) { return ""s; }, TTarvelOutcome::TimedOut,
         Pkt(0x31, 0x7F, 0)},
        // What waited before the request tells nothing of its answer.
        {"noise waiting before the request, then silence", [](auto&) { return ""s; }, TTarvelOutcome::TimedOut,
         "noise\x01"},
        {"half a packet waiting before the request, then silence", [](auto&) { return ""s; },
         TTarvelOutcome::TimedOut, Pkt(0x31, 0x7F, 0).substr(0, 6)},
        {"a damaged answer", [&](auto& r) { return Damaged(answer(r)); }, TTarvelOutcome::Damaged},
        {"an answer to an earlier request", earlier, TTarvelOutcome::LateAnswer},
        {"an answer still arriving", [&](auto& r) { return answer(r).substr(0, 6); }, TTarvelOutcome::Arriving},
        {"damaged bytes, then an answer still arriving",
         [&](auto& r) { return Damaged(answer(r)) + answer(r).substr(0, 6); }, TTarvelOutcome::Arriving},
        {"a late answer, then damaged bytes", [&](auto& r) { return earlier(r) + Damaged(answer(r)); },
         TTarvelOutcome::LateAnswer},
        {"the link hangs up",
         [this](auto&) {
             link->HangUp();
             return ""s;
         },
         TTarvelOutcome::LinkClosed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        // A fresh stream for each case.
        stack->SetCommunicationInterface(nullptr);
        link->Open();
        stack->SetCommunicationInterface(link);
        link->Queue(c.Backlog);
        link->SetPeer([&c](const TTarvelFormat97& r) { return c.Reply(r); });
        dev31->Command(0x30, 100);
        EXPECT_EQ(dev31->GetLastOutcome(), c.Expected);
        if (c.Expected == TTarvelOutcome::Refused) {
            EXPECT_EQ(dev31->GetLastAck(), 5);
        }
    }
}

TEST_F(StackFixture, ARequestThatCannotBeWrittenSaysWhy)
{
    dev31->Command(0x30, 100);
    EXPECT_EQ(dev31->GetLastOutcome(), TTarvelOutcome::TimedOut);
    dev31->ResetLastResult();
    EXPECT_EQ(dev31->GetLastOutcome(), TTarvelOutcome::None);

    link->RefuseWrites = true;
    dev31->Command(0x30, 100);
    EXPECT_EQ(dev31->GetLastOutcome(), TTarvelOutcome::NotSent);
    link->RefuseWrites = false;

    link->Close(false);
    dev31->Command(0x30, 100);
    EXPECT_EQ(dev31->GetLastOutcome(), TTarvelOutcome::LinkClosed);

    dev31->SetStack(nullptr);
    dev31->Command(0x30, 100);
    EXPECT_EQ(dev31->GetLastOutcome(), TTarvelOutcome::NotSent);
}

} // namespace
