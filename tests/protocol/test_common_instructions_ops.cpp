// The common instructions as operations of a stack device, over an in-memory link.
#include "test_stack_link.h"

#include "protocol/uTarvelStack.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct CommonOps : ::testing::Test {
    IntfPtr<TMemoryLink> link = MakeObj<TMemoryLink>();
    IntfPtr<TTarvelStack> stack = MakeObj<TTarvelStack>();
    IntfPtr<TTarvelStackDevice> dev = MakeObj<TTarvelStackDevice>(uint8_t(0x31));
    std::function<std::optional<std::string>(const TTarvelFormat97&)> peer;

    void SetUp() override
    {
        link->Open();
        stack->SetCommunicationInterface(link);
        dev->SetStack(stack);
        dev->SetTimeout(200);
        link->SetPeer([this](const TTarvelFormat97& r) { return peer ? peer(r) : std::nullopt; });
    }
    void TearDown() override
    {
        dev->SetStack(nullptr);
        stack->SetCommunicationInterface(nullptr);
    }
    // Answers every request with ack and the data given for its instruction.
    void Answers(std::map<int, std::string> data, uint8_t ack = 0)
    {
        peer = [=](const TTarvelFormat97& r) {
            const auto it = data.find(r.Inst);
            return AnswerTo(r, ack, it == data.end() ? "" : it->second);
        };
    }
};

} // namespace

TEST_F(CommonOps, IdentificationFillsNameVersionAndThirdField)
{
    Answers({{0xF3, "Valdrix ; v 1.0 ; SIM"}});
    ASSERT_TRUE(dev->ReadIdentification());
    EXPECT_EQ(dev->GetName(), "Valdrix");
    EXPECT_EQ(dev->GetVersion(), "1.0");
    EXPECT_EQ(dev->GetIdentThird(), "SIM");
    EXPECT_TRUE(dev->GetIdentified());

    Answers({}, 2);
    EXPECT_FALSE(dev->ReadIdentification());
    EXPECT_EQ(dev->GetName(), "");
    EXPECT_EQ(dev->GetVersion(), "");
    EXPECT_FALSE(dev->GetIdentified());
}

TEST_F(CommonOps, OneByteSettingsAndTexts)
{
    Answers({{0xF1, "\x2A\x00"s}, {0xFE, "\x00"s}, {0xFA, "\x00\x01\x30\x39\x00\xBC\x61\x4E"s}});
    uint8_t b = 9;
    ASSERT_TRUE(dev->ReadF1Byte(b));
    EXPECT_EQ(b, 0x2A);
    ASSERT_TRUE(dev->WriteE1Byte(0x11));
    EXPECT_EQ(dev->GetByteF1(), 0x11);
    bool flag = true;
    ASSERT_TRUE(dev->ReadFEFlag(flag));
    EXPECT_FALSE(flag);
    uint16_t n1 = 0, n2 = 0;
    uint32_t n3 = 0;
    ASSERT_TRUE(dev->ReadFANumbers(n1, n2, n3));
    EXPECT_EQ(n2, 12345);
    EXPECT_EQ(n3, 12345678u);
    ASSERT_TRUE(dev->WriteE2Text("abcdefghijklmnopqrst"));
    ASSERT_TRUE(dev->WriteE2Text("ab"));
    ASSERT_TRUE(dev->SwitchEE(true));
    const auto r = link->Requests();
    ASSERT_GE(r.size(), 3u);
    EXPECT_EQ(r[r.size() - 3].Data.size(), 17u);
    EXPECT_EQ(r[r.size() - 2].Data, "\0ab\0"s);
    EXPECT_EQ(r.back().Data, "\x01"s);

    Answers({{0xFA, "\x00\x01\x30"s}});
    EXPECT_FALSE(dev->ReadFANumbers(n1, n2, n3)) << "too short although acknowledged";
    Answers({}, 1);
    b = 9;
    EXPECT_FALSE(dev->ReadF1Byte(b));
    EXPECT_EQ(b, 0) << "cleared first";
}

TEST_F(CommonOps, AddressAndBaudRate)
{
    uint8_t address = 0;
    uint32_t baud = 1;
    Answers({{0xF0, "\x31\x06"s}});
    ASSERT_TRUE(dev->ReadAddressAndBaudRate(address, baud));
    EXPECT_EQ(baud, 9600u);
    Answers({{0xF0, "\x31\x0C"s}});
    ASSERT_TRUE(dev->ReadAddressAndBaudRate(address, baud));
    EXPECT_EQ(baud, 0u);

    const size_t before = link->Requests().size();
    EXPECT_FALSE(dev->ChangeAddressAndBaudRate(0x32, 14400));
    EXPECT_EQ(link->Requests().size(), before);
    Answers({});
    ASSERT_TRUE(dev->ChangeAddressAndBaudRate(0x32, 19200));
    EXPECT_EQ(dev->GetAddress(), 0x32);
    EXPECT_EQ(link->Requests().back().Data, "\x32\x07"s);
    EXPECT_EQ(link->Requests().back().Adr, 0x31) << "sent to the old address";
}

TEST_F(CommonOps, ChangeAddressKeepsTheOtherParameters)
{
    // Nothing changes on the device, so the change is not reported as done.
    Answers({{0xF0, "\x31"s}});
    EXPECT_FALSE(dev->ChangeAddress(0x40));
    EXPECT_EQ(link->Requests().size(), 1u) << "a one-byte answer ends the sequence";
    EXPECT_EQ(dev->GetAddress(), 0x31);
    peer = [](const TTarvelFormat97& r) {
        return r.Inst == 0xE4 ? AnswerTo(r, 5, "") : AnswerTo(r, 0, "\x31\x06"s);
    };
    EXPECT_FALSE(dev->ChangeAddress(0x40)) << "configuration refused";
    EXPECT_EQ(link->Requests().back().Inst, 0xE4);
    EXPECT_EQ(dev->GetAddress(), 0x31);

    Answers({{0xF0, "\x31\x06\x99"s}});
    EXPECT_TRUE(dev->ChangeAddress(0x40));
    const auto r = link->Requests();
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[4].Inst, 0xE4);
    EXPECT_EQ(r[5].Inst, 0xE0);
    EXPECT_EQ(r[5].Data, "\x40\x06\x99"s);
    EXPECT_EQ(dev->GetAddress(), 0x40);
}

TEST_F(CommonOps, ChangeAddressByNumbersUsesTheSpecialAddress)
{
    peer = [](const TTarvelFormat97& r) { return BuildTarvel97Packet(0x31, r.Sig, 0, ""); };
    ASSERT_TRUE(dev->ChangeAddressByNumbers(1, 0x3039, 0x32));
    EXPECT_EQ(link->Requests().back().Adr, 0xFE);
    EXPECT_EQ(link->Requests().back().Data, "\x32\x00\x01\x30\x39"s);
    EXPECT_EQ(dev->GetAddress(), 0x32);

    peer = [](const TTarvelFormat97& r) { return BuildTarvel97Packet(0x32, r.Sig, 2, ""); };
    EXPECT_FALSE(dev->ChangeAddressByNumbers(1, 2, 0x33));
    EXPECT_EQ(dev->GetAddress(), 0x32) << "restored on failure";
}
