// On the loopback jig the module's outputs come back on its own inputs.
#include "SimHarness.h"

#include "protocol/uTarvelBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class SimJig : public ::testing::Test {
protected:
    TSimulator Sim{{"--jig", "loopback", "--jig-fault", "stuck-input:4"}, false};
    TSimPeer Link = TSimPeer::Tcp(Sim.Port());
    uint8_t Sig = 0;

    std::string Ok(uint8_t inst, std::string_view data = {}) { return AnswerData(Link.Ask(ADR, ++Sig, inst, data)); }
    uint32_t Counter(int k) { return GetBE32(Ok(0x60, Bytes({k})), 1); }
    // The raw reading of analog input k.
    int Raw(int k) { return GetBE16(Ok(0x5F), size_t(4 * (k - 1) + 2)); }
};

TEST_F(SimJig, DigitalOutputsDriveTheirInputsAndCountersExceptAStuckOne)
{
    EXPECT_EQ(Ok(0x31), Bytes({0, 0})) << "nothing is on while the outputs are off";
    Ok(0x20, Bytes({0x83, 0x8A}));
    EXPECT_EQ(Ok(0x31), Bytes({0x02, 0x04}));
    Ok(0x20, Bytes({0x84}));
    EXPECT_EQ(Ok(0x31), Bytes({0x02, 0x04})) << "DI 4 is stuck";

    const uint32_t before3 = Counter(3), before4 = Counter(4);
    for (int pulse = 0; pulse < 3; ++pulse) {
        Ok(0x20, Bytes({0x03, 0x04}));
        Ok(0x20, Bytes({0x83, 0x84}));
    }
    Ok(0x23, Bytes({1, 0x03})); // off for one 100 ms unit, then on again by itself: one more edge
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(Counter(3), before3 + 4);
    EXPECT_EQ(Counter(4), before4);
}

TEST_F(SimJig, AnalogOutputsFeedTheirInputsWithASmallError)
{
    for (int k = 1; k <= 4; ++k) {
        Ok(0x42, Bytes({k, 0x13, 0x88})); // 5000: half of full scale
        EXPECT_NEAR(Raw(k), 25000, 100) << "AI" << k;
        Ok(0x42, Bytes({k, 0, 0}));
        EXPECT_NEAR(Raw(k), 0, 30) << "AI" << k;
    }
}

}
