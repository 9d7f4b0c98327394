// Framing of the received stream inside the simulator.
#include "sim/SimFramer.h"

#include <gtest/gtest.h>

namespace {

TEST(SimFramer, DeliversSplitAndBackToBackPacketsInOrder)
{
    TSimFramer framer;
    const std::string a = BuildTarvel97Packet(0x31, 1, 0xF3, ""), b = BuildTarvel97Packet(0x31, 2, 0x30, "x");
    const std::string stream = "\x01\x02" + a + b;
    EXPECT_TRUE(framer.Push(stream.substr(0, 6)).empty());
    const auto packets = framer.Push(stream.substr(6));
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].Sig, 1);
    EXPECT_EQ(packets[1].Data, "x");
    EXPECT_EQ(framer.Buffered(), 0u);
}

TEST(SimFramer, AStalledHeaderDoesNotHideTheNextPacket)
{
    TSimFramer framer;
    const auto packets = framer.Push(std::string("*a\xFF\xFF", 4) + BuildTarvel97Packet(0x31, 7, 0xF3, ""));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].Sig, 7);
}

TEST(SimFramer, NoiseNeverGrowsTheBufferBeyondOnePacket)
{
    TSimFramer framer;
    std::string noise(300000, '*');
    for (size_t i = 1; i < noise.size(); i += 2) noise[i] = 'a';
    EXPECT_TRUE(framer.Push(noise).empty());
    EXPECT_LE(framer.Buffered(), TSimFramer::MaxPacket);
    EXPECT_TRUE(framer.Push(std::string(5000, 'z')).empty());
    EXPECT_EQ(framer.Push(BuildTarvel97Packet(0x31, 9, 0xF3, "")).size(), 1u);
}

}
