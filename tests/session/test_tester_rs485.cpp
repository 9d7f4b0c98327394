// The device the tester plays on its RS-485 test link.
#include "protocol/uTarvel97.h"
#include "protocol/uTarvelFramer.h"
#include "session/uTesterRS485.h"

#include <gtest/gtest.h>

namespace {

TTarvelFormat97 Parse(const std::string& packet)
{
    TTarvelFormat97 record;
    ParseTarvel97Packet(packet, record);
    return record;
}

} // namespace

TEST(TesterRS485, AnswersTypeRequestsForOtherAddressesOnly)
{
    const TRS485Answerer answer = TesterRS485Answerer();
    const std::string received = "noise" + BuildTarvel97Packet(50, 7, 0xF3, "") +
                                 BuildTarvel97Packet(0x31, 8, 0xF3, "") + BuildTarvel97Packet(60, 9, 0x10, "x") +
                                 BuildTarvel97Packet(200, 10, 0xF3, "");
    const std::vector<std::string> answers = answer(received);
    ASSERT_EQ(answers.size(), 2u);
    const TTarvelFormat97 first = Parse(answers[0]);
    EXPECT_EQ(ValidateTarvel97Packet(answers[0]), 0);
    EXPECT_EQ(first.Adr, 50);
    EXPECT_EQ(first.Sig, 7);
    EXPECT_EQ(first.Inst, 0);
    EXPECT_EQ(first.Data, TesterRS485Text);
    EXPECT_EQ(Parse(answers[1]).Adr, 200);
    EXPECT_EQ(Parse(answers[1]).Sig, 10);
}

TEST(TesterRS485, KeepsAPartialPacketAndFindsOneAfterLongNoise)
{
    const TRS485Answerer answer = TesterRS485Answerer();
    const std::string request = BuildTarvel97Packet(50, 1, 0xF3, "");
    EXPECT_TRUE(answer(request.substr(0, 5)).empty());
    EXPECT_EQ(answer(request.substr(5)).size(), 1u);

    // Bytes that never form a packet, far more than the framer keeps: a packet after them is still found.
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(answer(std::string(50000, '*')).empty());
    EXPECT_EQ(answer(request).size(), 1u);
}
