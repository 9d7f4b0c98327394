// Reattaching the stack after it has taken whole packets and holds the start of another.
#include "test_stack_link.h"

#include "protocol/uTarvelStack.h"

#include <gtest/gtest.h>

TEST(StackRelink, DroppedBytesLeaveNothingBufferedAfterTakenPackets)
{
    const auto link = MakeObj<TMemoryLink>();
    const auto stack = MakeObj<TTarvelStack>();
    const auto dev = MakeObj<TRecordingDevice>(uint8_t(0x31));
    link->Open();
    stack->SetCommunicationInterface(link);
    stack->AddDevice(dev);

    const std::string second = BuildTarvel97Packet(0x31, 2, 0, "def");
    link->Deliver(BuildTarvel97Packet(0x31, 1, 0, "abc") + second.substr(0, 5));
    ASSERT_EQ(dev->Answers.size(), 1u);
    EXPECT_EQ(stack->RxBufferedBytes(), 5u);

    stack->SetCommunicationInterface(nullptr);
    EXPECT_EQ(stack->RxBufferedBytes(), 0u);
    stack->SetCommunicationInterface(link);
    link->Deliver(second);
    ASSERT_EQ(dev->Answers.size(), 2u);
    EXPECT_EQ(dev->Answers[1].Sig, 2);
    EXPECT_EQ(stack->RxBufferedBytes(), 0u);

    stack->SetCommunicationInterface(nullptr);
    dev->SetStack(nullptr);
}
