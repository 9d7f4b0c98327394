// The fault switches change the module's answers the way their names promise.
#include "SimHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace {

// Which of `count` pipelined identification requests get an answer.
std::vector<bool> AnsweredPattern(const std::vector<std::string>& args, int count)
{
    TSimulator sim(args, false);
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    for (int sig = 0; sig < count; ++sig) link.Send(BuildTarvel97Packet(ADR, uint8_t(sig), 0xF3, ""));
    std::vector<bool> answered(size_t(count), false);
    while (const auto frame = link.ReadFrame(1500)) answered.at(uint8_t((*frame)[5])) = true;
    return answered;
}

TEST(SimFaults, DropLosesAShareOfAnswersTheSameWayForTheSameSeed)
{
    const std::vector<std::string> args{"--drop", "50", "--seed", "7"};
    const std::vector<bool> first = AnsweredPattern(args, 60);
    EXPECT_EQ(AnsweredPattern(args, 60), first);
    const auto answered = std::count(first.begin(), first.end(), true);
    EXPECT_GT(answered, 10);
    EXPECT_LT(answered, 50);
    EXPECT_NE(AnsweredPattern({"--drop", "50", "--seed", "8"}, 60), first);
}

TEST(SimFaults, FullDropAnswersNothingAndTheSimulatorLivesOn)
{
    TSimulator sim({"--drop", "100"});
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    EXPECT_FALSE(link.Ask(ADR, 1, 0xF3).has_value());
    EXPECT_TRUE(sim.Running());
}

TEST(SimFaults, CorruptDamagesTheChecksumOnly)
{
    TSimulator sim({"--corrupt", "100"}, false);
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    const auto frame = link.Ask(ADR, 1, 0xF3);
    ASSERT_TRUE(frame);
    EXPECT_EQ(ValidateTarvel97Packet(*frame), 5);
    std::string repaired = *frame;
    repaired[repaired.size() - 2] = char(repaired[repaired.size() - 2] ^ 0xFF);
    EXPECT_EQ(repaired, BuildTarvel97Packet(ADR, 1, 0, "Valdrix ; v 1.0 ; SIM"));
}

TEST(SimFaults, RefuseAnswersTheGivenCodeAndLeavesOthersAlone)
{
    TSimulator sim({"--refuse", "20:04", "--refuse", "f3:0c"});
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    EXPECT_EQ(link.Ask(ADR, 1, 0x20, Bytes({0x81})), BuildTarvel97Packet(ADR, 1, 4, ""));
    EXPECT_EQ(AnswerData(link.Ask(ADR, 2, 0x30)), Bytes({0, 0})) << "a refused instruction does nothing";
    EXPECT_EQ(link.Ask(ADR, 3, 0xF3), BuildTarvel97Packet(ADR, 3, 0x0C, ""));
}

TEST(SimFaults, GarbageGoesBetweenPacketsWhichStayIntact)
{
    TSimulator sim({"--garbage"});
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    for (uint8_t sig = 1; sig <= 5; ++sig)
        EXPECT_EQ(AnswerData(link.Ask(ADR, sig, 0x31)), Bytes({0x5A, 0xC3}));
    EXPECT_GE(link.SkippedBytes(), 5u);
}

TEST(SimFaults, DelayHoldsTheAnswerBack)
{
    TSimulator sim({"--delay", "400"}, false);
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(AnswerData(link.Ask(ADR, 1, 0xF3)), "Valdrix ; v 1.0 ; SIM");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(380));
}

TEST(SimFaults, CloseAfterAnswersThenClosesAndAcceptsTheNextClient)
{
    TSimulator sim({"--close-after", "2"}, false);
    {
        TSimPeer link = TSimPeer::Tcp(sim.Port());
        EXPECT_TRUE(link.Ask(ADR, 1, 0xF3));
        EXPECT_TRUE(link.Ask(ADR, 2, 0xF3));
        EXPECT_TRUE(link.WaitClosed());
    }
    TSimPeer next = TSimPeer::Tcp(sim.Port());
    EXPECT_TRUE(next.Ask(ADR, 3, 0xF3));
}

}
