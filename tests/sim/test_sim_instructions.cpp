// The simulator answers each instruction with the bytes the tester decodes.
#include "SimHarness.h"

#include "protocol/uTarvelBytes.h"
#include "tests/support/pump_until.h"

#include <gtest/gtest.h>

namespace {

class SimInstructions : public ::testing::Test {
protected:
    TSimulator Sim;
    TSimPeer Link = TSimPeer::Tcp(Sim.Port());
    uint8_t Sig = 0;

    std::optional<std::string> Ask(uint8_t inst, std::string_view data = {}, uint8_t adr = ADR)
    {
        return Link.Ask(adr, ++Sig, inst, data);
    }
    std::string Ok(uint8_t inst, std::string_view data = {}) { return AnswerData(Ask(inst, data)); }
    uint8_t AckOf(uint8_t inst, std::string_view data = {})
    {
        const auto frame = Ask(inst, data);
        return frame && frame->size() > 6 ? uint8_t((*frame)[6]) : 0xFF;
    }
    void Configure(uint8_t inst, std::string_view data)
    {
        ASSERT_EQ(AckOf(0xE4), 0);
        ASSERT_EQ(AckOf(inst, data), 0);
    }
};

TEST_F(SimInstructions, IdentificationAnswerIsByteExactWithTheRequestSignature)
{
    Link.Send(Bytes({0x2A, 0x61, 0x00, 0x05, 0x31, 0x02, 0xF3, 0x49, 0x0D}));
    EXPECT_EQ(Link.ReadFrame(), BuildTarvel97Packet(ADR, 0x02, 0, "Valdrix ; v 1.0 ; SIM"));
}

TEST_F(SimInstructions, SpecialAddressIsAnsweredFromTheModuleUniversalAndAcknowledgesAreIgnored)
{
    Link.Send(BuildTarvel97Packet(0xFF, 9, 0xF3, ""));
    Link.Send(BuildTarvel97Packet(ADR, 8, 0x00, "")); // an acknowledge, not a request
    EXPECT_EQ(Link.Ask(0xFE, 10, 0xF0), BuildTarvel97Packet(ADR, 10, 0, Bytes({0x31, 0x06})));
}

TEST_F(SimInstructions, StaticInputsAndCounters)
{
    EXPECT_EQ(Ok(0x31), Bytes({0x5A, 0xC3}));
    std::string all(1, char(32));
    for (uint32_t k = 1; k <= 16; ++k) PutBE32(all, 1001 * k);
    EXPECT_EQ(Ok(0x60, Bytes({0x00})), all);
    EXPECT_EQ(Ok(0x60, Bytes({0x05})), Bytes({32, 0, 0, 0x13, 0x8D}));
}

TEST_F(SimInstructions, CountersAreSetAndClearedOnRead)
{
    Ok(0x64, Bytes({0x03, 0, 0, 0, 42}));
    EXPECT_EQ(Ok(0x60, Bytes({0x83})), Bytes({32, 0, 0, 0, 42}));
    EXPECT_EQ(Ok(0x60, Bytes({0x03})), Bytes({32, 0, 0, 0, 0}));
    Ok(0x64, Bytes({0x00, 0, 0, 0, 7, 0, 0, 0, 8}));
    EXPECT_EQ(Ok(0x60, Bytes({0x02})), Bytes({32, 0, 0, 0, 8}));
    EXPECT_EQ(Ok(0x60, Bytes({0x04})), Bytes({32, 0, 0, 0x0F, 0xA4})) << "counters beyond the list keep their value";
    EXPECT_EQ(AckOf(0x64, Bytes({0x11, 0, 0, 0, 1})), 2);
}

TEST_F(SimInstructions, OutputsFollowTheSetInstructions)
{
    Ok(0x20, Bytes({0x81, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A}));
    EXPECT_EQ(Ok(0x30), Bytes({0x00, 0x01}));
    Ok(0x20, Bytes({0x8A}));
    EXPECT_EQ(Ok(0x30), Bytes({0x02, 0x01}));
    EXPECT_EQ(AckOf(0x20, Bytes({0x83, 0x8B})), 2) << "output 11 does not exist";
    EXPECT_EQ(Ok(0x30), Bytes({0x02, 0x01})) << "a refused request changes nothing";
}

TEST_F(SimInstructions, TimedOutputRevertsAfterItsDuration)
{
    Ok(0x23, Bytes({10, 0x83})); // on for 10 x 100 ms
    EXPECT_EQ(Ok(0x30), Bytes({0x00, 0x04}));
    EXPECT_TRUE(PumpUntil([&] { return Ok(0x30) == Bytes({0x00, 0x00}); }));
}

TEST_F(SimInstructions, AnalogInputsReportStaticReadings)
{
    EXPECT_EQ(Ok(0x5F), Bytes({1, 0x80, 0x61, 0xA8, 2, 0x80, 0x30, 0xD4, 3, 0x80, 0x75, 0x30, 4, 0x80, 0x9C, 0x40}));
    EXPECT_EQ(Ok(0x51), Bytes({1, 0x80, 0x13, 0x88, 2, 0x80, 0x09, 0xC4, 3, 0x80, 0x17, 0x70, 4, 0x80, 0x1F, 0x40}));
    EXPECT_EQ(Ok(0x1B), Bytes({1, 0, 2, 0, 3, 1, 4, 1}));
}

TEST_F(SimInstructions, ConfigurationNeedsAFreshEnableForEachInstruction)
{
    EXPECT_EQ(AckOf(0x1A, Bytes({1, 6})), 3);
    EXPECT_EQ(Ok(0x1B), Bytes({1, 0, 2, 0, 3, 1, 4, 1}));
    Configure(0x1A, Bytes({1, 6}));
    EXPECT_EQ(AckOf(0x1A, Bytes({2, 6})), 3) << "one enable allows one configuration instruction";
    EXPECT_EQ(Ok(0x1B), Bytes({1, 6, 2, 0, 3, 1, 4, 1}));
    EXPECT_EQ(AckOf(0x12, Bytes({1, 0x27, 0x10})), 3);
    EXPECT_EQ(AckOf(0xE0, Bytes({0x32, 6})), 3);
}

TEST_F(SimInstructions, ReadingsFollowRangeCoefficientAndDivisions)
{
    Configure(0x1A, Bytes({1, 6, 2, 6})); // 10 mA -> 18750; 2 mA is a broken loop
    EXPECT_EQ(Ok(0x5F).substr(0, 8), Bytes({1, 0x80, 0x49, 0x3E, 2, 0x00, 0, 0}));
    Configure(0x1A, Bytes({1, 0}));
    Configure(0x12, Bytes({1, 0x27, 0x10})); // 25000 * 10000 / 65536 = 3814.7
    EXPECT_EQ(Ok(0x13, Bytes({1})), Bytes({0x27, 0x10}));
    Configure(0x1C, Bytes({3, 0x00, 0x64})); // full scale of input 3 is 100 divisions
    EXPECT_EQ(Ok(0x1D, Bytes({3})), Bytes({0x00, 0x64}));
    const std::string calibrated = Ok(0x51);
    EXPECT_EQ(calibrated.substr(0, 4), Bytes({1, 0x80, 0x0E, 0xE7}));
    EXPECT_EQ(calibrated.substr(8, 4), Bytes({3, 0x80, 0x00, 0x64}));
}

TEST_F(SimInstructions, AnalogOutputsAndCalibrationPoints)
{
    Ok(0x40, Bytes({2, 0x03, 0xE8}));
    EXPECT_EQ(Ok(0x41, Bytes({2})), Bytes({2, 0x03, 0xE8}));
    EXPECT_EQ(Ok(0x43, Bytes({2})), Bytes({2, 0x09, 0xC4})) << "1000 of 4000 is 2500";
    Ok(0x42, Bytes({3, 0x13, 0x88}));
    EXPECT_EQ(Ok(0x41), Bytes({1, 0, 0, 2, 0x03, 0xE8, 3, 0x07, 0xD0, 4, 0, 0}));
    EXPECT_EQ(AckOf(0x40, Bytes({1, 0x13, 0x88})), 2) << "5000 is beyond the converter";

    Ok(0x40, Bytes({1, 0x00, 0x64}));
    Ok(0x4E, Bytes({1, 0}));
    Ok(0x40, Bytes({1, 0x0F, 0x3C}));
    Ok(0x4E, Bytes({1, 1}));
    EXPECT_EQ(Ok(0x4F, Bytes({1})), Bytes({1, 0x00, 0x64, 0x0F, 0x3C}));
    Ok(0x42, Bytes({1, 0x13, 0x88})); // half way between 100 and 3900
    EXPECT_EQ(Ok(0x41, Bytes({1})), Bytes({1, 0x07, 0xD0}));
    Ok(0x44, Bytes({1, 0xFF, 0xFE, 2, 0, 1, 3, 0, 2, 4, 0, 3}));
    EXPECT_EQ(Ok(0x45), Bytes({1, 0xFF, 0xFE, 2, 0, 1, 3, 0, 2, 4, 0, 3}));
}

TEST_F(SimInstructions, Thermometers)
{
    EXPECT_EQ(Ok(0x59), Bytes({1, 0x80, 0x00, 0xD7, 2, 0x80, 0x00, 0xE6, 3, 0x80, 0xFF, 0xD3, 4, 0x80, 0x01, 0x6E}));
    EXPECT_EQ(Ok(0x5A, Bytes({2})), Bytes({2, 0x80}) + "TH000002");
    Ok(0x5B, Bytes({2, 7, 9}));
    EXPECT_EQ(Ok(0x5C), Bytes({1, 1, 0, 2, 7, 9, 3, 3, 0, 4, 4, 0}));
}

TEST_F(SimInstructions, ClockStandsStillAndIsSettable)
{
    std::string expected;
    PutBE32(expected, 1709280309);
    EXPECT_EQ(Ok(0x75), expected);
    Ok(0x74, Bytes({0, 0, 0, 1}));
    EXPECT_EQ(Ok(0x75), Bytes({0, 0, 0, 1}));
    EXPECT_EQ(AckOf(0x74, Bytes({0, 1})), 2);
}

TEST_F(SimInstructions, CommonSettingsAreStored)
{
    Ok(0xE1, Bytes({0x5A}));
    EXPECT_EQ(Ok(0xF1), Bytes({0x5A}));
    Ok(0xE2, Bytes({0}) + "hi" + Bytes({0}));
    EXPECT_EQ(Ok(0xF2), "hi");
    Ok(0xEE, Bytes({1}));
    EXPECT_EQ(Ok(0xFE), Bytes({1}));
    EXPECT_EQ(Ok(0xFA), Bytes({0x00, 0x01, 0x30, 0x39, 0x00, 0xBC, 0x61, 0x4E}));
    EXPECT_EQ(AckOf(0xE3), 0);
}

TEST_F(SimInstructions, AddressChangesAfterTheAcknowledge)
{
    Link.Send(BuildTarvel97Packet(ADR, 1, 0xE4, ""));
    ASSERT_TRUE(Link.ReadFrame());
    EXPECT_EQ(Link.Ask(ADR, 2, 0xE0, Bytes({0x32, 7})), BuildTarvel97Packet(ADR, 2, 0, ""));
    EXPECT_EQ(Link.Ask(0x32, 3, 0xF0), BuildTarvel97Packet(0x32, 3, 0, Bytes({0x32, 7})));
    // Identified by its serial numbers through the special address.
    EXPECT_EQ(Link.Ask(0xFE, 4, 0xEB, Bytes({0x40, 0x00, 0x01, 0x30, 0x39})), BuildTarvel97Packet(0x32, 4, 0, ""));
    Link.Send(BuildTarvel97Packet(0xFE, 5, 0xEB, Bytes({0x41, 0x00, 0x02, 0x30, 0x39})));
    EXPECT_EQ(Link.Ask(0x40, 6, 0xF0), BuildTarvel97Packet(0x40, 6, 0, Bytes({0x40, 7})))
        << "other serial numbers: silent and unchanged";
}

TEST_F(SimInstructions, UnknownInstructionsAndBadDataAreRefused)
{
    EXPECT_EQ(AckOf(0x99), 1);
    EXPECT_EQ(AckOf(0x31, Bytes({1})), 2);
    EXPECT_EQ(AckOf(0x59, Bytes({5})), 2);
    EXPECT_EQ(AckOf(0x4E, Bytes({1, 2})), 2);
}

}
