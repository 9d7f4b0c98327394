// A protocol stack on an in-memory link with two recording devices (0x31 and 0x32).
#pragma once

#include "test_stack_link.h"

#include "protocol/uTarvelStack.h"

#include <gtest/gtest.h>

inline std::string Pkt(uint8_t adr, uint8_t sig, uint8_t inst, const std::string& data = "")
{
    return BuildTarvel97Packet(adr, sig, inst, data);
}

// One waiting request; true when its answer came, whatever its acknowledge code.
inline bool SendAndWait(TTarvelStack& stack, uint8_t adr, uint8_t sig, uint8_t inst, const std::string& data,
                        std::string& answer, uint32_t timeout)
{
    const TTarvelOutcome outcome = stack.Exchange(adr, sig, inst, data, answer, timeout);
    return outcome == TTarvelOutcome::Answered || outcome == TTarvelOutcome::Refused;
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

