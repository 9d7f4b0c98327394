// Framing of the received stream and pairing of answers with requests, in process,
// over an in-memory link.
#include "test_stack_link.h"

#include "framework/uExceptions.h"
#include "framework/uTimeoutManager.h"
#include "protocol/uTarvelStack.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

std::string Pkt(uint8_t adr, uint8_t sig, uint8_t inst, const std::string& data = "")
{
    return BuildTarvel97Packet(adr, sig, inst, data);
}

struct StackFixture : ::testing::Test {
    IntfPtr<TMemoryLink> link = MakeObj<TMemoryLink>();
    IntfPtr<TTarvelStack> stack = MakeObj<TTarvelStack>();
    IntfPtr<TRecordingDevice> dev31 = MakeObj<TRecordingDevice>(uint8_t(0x31));
    IntfPtr<TRecordingDevice> dev32 = MakeObj<TRecordingDevice>(uint8_t(0x32));

    void SetUp() override
    {
        link->Open();
        stack->SetCommunicationInterface(link);
        stack->AddDevice(dev31);
        stack->AddDevice(dev32);
    }
    void TearDown() override
    {
        stack->SetCommunicationInterface(nullptr);
        dev31->SetStack(nullptr);
        dev32->SetStack(nullptr);
    }
    static std::vector<int> Sigs(const std::vector<TTarvelFormat97>& packets)
    {
        std::vector<int> sigs;
        for (const auto& p : packets) sigs.push_back(p.Sig);
        return sigs;
    }
};

} // namespace

TEST_F(StackFixture, FramesPacketsOutOfTheStream)
{
    link->Deliver(Pkt(0x31, 1, 0) + Pkt(0x31, 2, 0, "xy"));
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{1, 2}));
    EXPECT_EQ(dev31->Answers[1].Data, "xy");
    EXPECT_EQ(stack->RxBufferedBytes(), 0u);

    link->Deliver("\x01\x02garbage*" + Pkt(0x31, 3, 0, "ab") + Pkt(0x31, 4, 0, "*a"));
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(dev31->Answers[3].Data, "*a") << "the second packet stays intact";

    const std::string split = Pkt(0x31, 5, 0, "split");
    link->Deliver(split.substr(0, 6));
    EXPECT_EQ(dev31->Answers.size(), 4u);
    link->Deliver(split.substr(6));
    EXPECT_EQ(Sigs(dev31->Answers).back(), 5);

    std::string damaged = Pkt(0x31, 6, 0, "bad");
    damaged[8] ^= 1;
    link->Deliver(damaged + Pkt(0x31, 7, 0));
    EXPECT_EQ(Sigs(dev31->Answers).back(), 7);
    EXPECT_EQ(dev31->Answers.size(), 6u) << "the damaged packet is dropped";
    EXPECT_EQ(stack->RxBufferedBytes(), 0u);
}

TEST_F(StackFixture, DispatchesByAddressWithWildcards)
{
    link->Deliver(Pkt(0xFE, 1, 0) + Pkt(0x32, 2, 0) + Pkt(0x40, 3, 0));
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{1}));
    EXPECT_EQ(Sigs(dev32->Answers), (std::vector<int>{1, 2}));

    auto any = MakeObj<TRecordingDevice>(uint8_t(0xFE));
    stack->AddDevice(any);
    link->Deliver(Pkt(0x40, 4, 0) + Pkt(0x31, 5, 0));
    EXPECT_EQ(Sigs(any->Answers), (std::vector<int>{4, 5}));
    any->SetStack(nullptr);
}

TEST_F(StackFixture, PacketsThatRaiseDoNotBlockTheStream)
{
    try {
        stack->ProcessReceived(Pkt(0xFF, 1, 0) + Pkt(0x31, 2, 0));
        FAIL() << "ADR 0xFF must raise";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "RCV packet ADR=$FF !");
    }
    stack->ProcessReceived("x");
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{2}));

    // A valid 8-byte packet has no INST byte and cannot be parsed.
    std::string eight = "*a\x00\x04\x31\x09"s;
    eight += char(Tarvel97CheckSum(eight));
    eight += '\r';
    ASSERT_EQ(ValidateTarvel97Packet(eight), 0);
    EXPECT_THROW(stack->ProcessReceived(eight + Pkt(0x31, 3, 0)), Exception);
    stack->ProcessReceived("x");
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{2, 3}));
}

TEST_F(StackFixture, ResynchronisesBehindAnUnfinishedMarkerAndBoundsTheBuffer)
{
    // "*a" announcing 65535 more bytes never completes; the packet behind it still gets through.
    link->Deliver("*a\xFF\xFF"s + Pkt(0x31, 1, 0));
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{1}));

    std::string flood(200 * 1024, 'g');
    for (size_t i = 0; i < flood.size(); i += 1000) flood.replace(i, 4, "*a\xFF\xF0"s);
    link->Deliver(flood);
    EXPECT_LE(stack->RxBufferedBytes(), TTarvelStack::MaxRxBuffer);
    link->Deliver(Pkt(0x31, 2, 0));
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{1, 2}));
}

TEST_F(StackFixture, ReattachingDropsHalfReceivedBytes)
{
    const std::string p = Pkt(0x31, 1, 0, "abc");
    link->Deliver(p.substr(0, 5));
    auto other = MakeObj<TMemoryLink>();
    other->Open();
    stack->SetCommunicationInterface(other);
    EXPECT_EQ(stack->RxBufferedBytes(), 0u);
    EXPECT_FALSE(link->GetOnDataRcv()) << "the old link no longer feeds the stack";
    other->Deliver(p.substr(5) + Pkt(0x31, 2, 0));
    EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{2}));
}

TEST(StackOwner, OnlyACommunicationInterfaceMayOwnTheStack)
{
    auto stack = MakeObj<TTarvelStack>();
    auto link = MakeObj<TMemoryLink>();
    stack->SetOwner(link);
    EXPECT_EQ(stack->GetCommunicationInterface().get(), static_cast<ICommunicationInterface*>(link.get()));
    auto notALink = MakeObj<TTarvelStack>();
    try {
        stack->SetOwner(notALink);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "ITarvelStack can be owned only by ICommunicationInterface");
    }
    EXPECT_EQ(stack->GetCommunicationInterface().get(), static_cast<ICommunicationInterface*>(link.get()));
    stack->SetOwner(nullptr);
    notALink->ReleaseTree();
    EXPECT_FALSE(stack->GetCommunicationInterface());
}

TEST_F(StackFixture, WaitTakesOnlyTheMatchingAnswerAndDispatchesTheRest)
{
    link->SetPeer([](const TTarvelFormat97& r) {
        return "noise" + Pkt(0x31, uint8_t(r.Sig + 1), 0, "other sig") + Pkt(0x31, r.Sig, 13, "message") +
               Pkt(0x32, r.Sig, 0, "other adr") + "junk" + AnswerTo(r, 0, "mine") + Pkt(0x31, 9, 0, "after");
    });
    std::string answer;
    ASSERT_TRUE(stack->SendPacketAndWait(0x31, 4, 0x30, "", answer, 1000));
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

TEST_F(StackFixture, WaitWithWildcardAddressAcceptsAnyAddress)
{
    link->SetPeer([](const TTarvelFormat97& r) { return Pkt(0x55, r.Sig, 0, "any"); });
    std::string answer;
    EXPECT_TRUE(stack->SendPacketAndWait(0xFE, 1, 0xF3, "", answer, 500));
    EXPECT_FALSE(stack->SendPacketAndWait(0x31, 1, 0xF3, "", answer, 100));
}

TEST_F(StackFixture, WaitPollsAtLeastOnceAndGivesUpAfterTheTimeout)
{
    // Bytes that were waiting before the request are not its answer.
    link->Queue(Pkt(0x31, 3, 0, "stale"));
    link->SetPeer([](const TTarvelFormat97& r) { return AnswerTo(r, 0, "fresh"); });
    std::string answer;
    ASSERT_TRUE(stack->SendPacketAndWait(0x31, 3, 0x30, "", answer, 0));
    TTarvelFormat97 rec;
    ParseTarvel97Packet(answer, rec);
    EXPECT_EQ(rec.Data, "fresh");
    ASSERT_EQ(dev31->Answers.size(), 1u);
    EXPECT_EQ(dev31->Answers[0].Data, "stale");

    link->SetPeer(nullptr);
    const uint32_t start = GetTickCount();
    EXPECT_FALSE(stack->SendPacketAndWait(0x31, 3, 0x30, "", answer, 150));
    EXPECT_GE(GetTickCount() - start, 150u);
}

TEST_F(StackFixture, NothingIsSentWithoutAnOpenInterface)
{
    link->Close(false);
    std::string answer = "kept";
    EXPECT_FALSE(stack->SendPacketAndWait(0x31, 0, 0x30, "", answer, 100));
    EXPECT_EQ(answer, "kept");
    stack->SetCommunicationInterface(nullptr);
    EXPECT_FALSE(stack->SendPacket(0x31, 0, 0x30, ""));
    EXPECT_EQ(link->Sent(), "");
}
