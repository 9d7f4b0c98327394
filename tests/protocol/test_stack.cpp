// Framing of the received stream and pairing of answers with requests, in process,
// over an in-memory link.
#include "test_stack_fixture.h"

#include "framework/uExceptions.h"
#include "framework/uTimeoutManager.h"

using namespace std::string_literals;

TEST_F(StackFixture, FramesPacketsOutOfTheStream)
{
    link->Deliver(Pkt(0x31, 1, 0) + Pkt(0x31, 2, 0, "xy"));
    ASSERT_EQ(Sigs(dev31->Answers), (std::vector<int>{1, 2}));
    EXPECT_EQ(dev31->Answers[1].Data, "xy");
    EXPECT_EQ(stack->RxBufferedBytes(), 0u);

    link->Deliver("\x01\x02garbage*" + Pkt(0x31, 3, 0, "ab") + Pkt(0x31, 4, 0, "*a"));
    ASSERT_EQ(Sigs(dev31->Answers), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(dev31->Answers[3].Data, "*a") << "the second packet stays intact";

    const std::string split = Pkt(0x31, 5, 0, "split");
    link->Deliver(split.substr(0, 6));
    EXPECT_EQ(dev31->Answers.size(), 4u);
    link->Deliver(split.substr(6));
    ASSERT_EQ(dev31->Answers.size(), 5u);
    EXPECT_EQ(dev31->Answers.back().Sig, 5);

    std::string damaged = Pkt(0x31, 6, 0, "bad");
    damaged[8] ^= 1;
    link->Deliver(damaged + Pkt(0x31, 7, 0));
    ASSERT_EQ(dev31->Answers.size(), 6u) << "the damaged packet is dropped";
    EXPECT_EQ(dev31->Answers.back().Sig, 7);
    EXPECT_EQ(stack->RxBufferedBytes(), 0u);
}

TEST_F(StackFixture, ADamagedPacketWhoseLengthRunsIntoValidPacketsCostsNoneOfThem)
{
    // A damaged header announces a length that takes in the packets behind it; framing
    // goes on at the first "*" inside it.
    const std::string behind = Pkt(0x31, 1, 0, "one") + Pkt(0x31, 2, 0, "two");
    for (const size_t covered : {behind.size(), behind.size() - 3, size_t(4)}) {
        SCOPED_TRACE(covered);
        dev31->Answers.clear();
        std::string damaged = "*a"s;
        damaged += char((covered + 3) >> 8);
        damaged += char((covered + 3) & 0xFF);
        damaged += "\x31\x07\x00"s;
        const std::string candidate = damaged + behind.substr(0, covered);
        ASSERT_NE(ValidateTarvel97Packet(candidate), 0);
        link->Deliver(damaged + behind);
        EXPECT_EQ(Sigs(dev31->Answers), (std::vector<int>{1, 2}));
        EXPECT_EQ(stack->RxBufferedBytes(), 0u);
    }
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

TEST(StackOwner, AStackRefusedByItsOwnerWhileConstructedIsNotLeftAmongTheOwnersChildren)
{
    auto notALink = MakeObj<TTarvelStackDevice>(uint8_t(0x40));
    EXPECT_THROW(MakeObj<TTarvelStack>(IntfPtr<IXMLNode>(), IntfPtr<IInterface>(notALink)), Exception);
    EXPECT_EQ(notALink->GetChildCount(), 0);
    notALink->ReleaseTree();
}
